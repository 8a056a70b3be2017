#include "ComTerminalModel.h"

#include "ComPort.h"

#include <algorithm>

namespace cport {

TComTerminalModel::TComTerminalModel(fw::TComponent *owner) : fw::TComponent(owner), buffer_(*this) {
    link_.OnRxBuf = [this](fw::TComponent *Sender, const char *Buffer, std::int32_t Count) {
        LinkRxBuf(Sender, Buffer, Count);
    };
    // Ready for use at once; a stored description read later sets both up
    // again when its loading ends.
    CreateParser();
    buffer_.Initialize();
}

TComTerminalModel::~TComTerminalModel() {
    SetComPort(nullptr);
    NotifyRemoval();
}

void TComTerminalModel::AfterLoad() {
    fw::TComponent::AfterLoad();
    CreateParser();
    if (!IsDesigning()) {
        buffer_.Initialize();
        MoveCursor(cursorColumn_, cursorRow_);
    }
}

void TComTerminalModel::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component != nullptr && component == comPort_)
        DropPort();
}

// --- the port ---

void TComTerminalModel::SetComPort(TCustomComPort *value) {
    if (value == comPort_)
        return;
    DropPort();
    comPort_ = value;
    if (comPort_ != nullptr) {
        FreeNotification(comPort_);
        comPort_->AddLink(&link_);
    }
}

void TComTerminalModel::DropPort() {
    TCustomComPort *port = comPort_;
    if (port == nullptr)
        return;
    comPort_ = nullptr;
    const auto &links = port->Links();
    if (std::find(links.begin(), links.end(), &link_) != links.end())
        port->RemoveLink(&link_);
    RemoveFreeNotification(port);
}

bool TComTerminalModel::Connected() const { return comPort_ != nullptr && comPort_->Connected(); }

void TComTerminalModel::SetConnected(bool value) {
    if (comPort_ != nullptr)
        comPort_->SetConnected(value);
}

bool TComTerminalModel::CanSend() const { return Connected(); }

// --- grid size and emulation ---

void TComTerminalModel::SetColumns(std::int32_t value) {
    value = std::clamp<std::int32_t>(value, 2, 256);
    if (value == columns_)
        return;
    columns_ = value;
    GridSizeChanged();
}

void TComTerminalModel::SetRows(std::int32_t value) {
    value = std::clamp<std::int32_t>(value, 2, 100);
    if (value == rows_)
        return;
    rows_ = value;
    GridSizeChanged();
}

void TComTerminalModel::GridSizeChanged() {
    if (view_ != nullptr)
        view_->GridSizeChanged();
    if (IsLoading() || IsDesigning())
        return;
    buffer_.Initialize();
    MoveCursor(cursorColumn_, cursorRow_);
    RepaintAll();
}

void TComTerminalModel::SetEmulation(TTermEmulation value) {
    if (value == emulation_)
        return;
    emulation_ = value;
    if (IsLoading())
        return;
    ReplaceParser(nullptr);
    CreateParser();
}

void TComTerminalModel::CreateParser() {
    if (IsDesigning())
        return;
    ReplaceParser(nullptr);
    std::unique_ptr<TEscapeCodes> parser;
    switch (emulation_) {
    case teVT100orANSI:
        parser = std::make_unique<TEscapeCodesVT100>();
        break;
    case teVT52:
        parser = std::make_unique<TEscapeCodesVT52>();
        break;
    case teNone:
        DoGetEscapeCodes(parser);
        break;
    }
    ReplaceParser(std::move(parser));
}

void TComTerminalModel::ReplaceParser(std::unique_ptr<TEscapeCodes> parser) {
    if (interpreting_ > 0 && parser_ != nullptr)
        retiredParsers_.push_back(std::move(parser_));
    parser_ = std::move(parser);
}

// --- sending ---

void TComTerminalModel::SendChar(char Ch) {
    if (!CanSend())
        return;
    comPort_->WriteString(std::string(1, Ch));
    if (localEcho_) {
        HideTermCaret();
        PutChar(Ch);
        ShowTermCaret();
    }
    if (Ch == '\r' && sendLF_)
        SendChar('\n');
}

void TComTerminalModel::SendCode(TEscapeCode Code, TStringList *Params) {
    if (!CanSend() || parser_ == nullptr)
        return;
    comPort_->WriteString(parser_->CodeToSequence(Code, Params));
    if (localEcho_) {
        HideTermCaret();
        HandleCode(Code, Params);
        ShowTermCaret();
    }
}

void TComTerminalModel::SendReply(TEscapeCode Code, TStringList *Params) {
    if (!CanSend() || parser_ == nullptr)
        return;
    comPort_->WriteString(parser_->CodeToSequence(Code, Params));
}

// --- events ---

void TComTerminalModel::DoStrRecieved(std::string &Str) { fw::Fire(OnStrRecieved, this, Str); }

void TComTerminalModel::DoChar(char Ch) { fw::Fire(OnChar, this, Ch); }

void TComTerminalModel::DoUnhandledCode(TEscapeCode Code, std::string_view Data) {
    fw::Fire(OnUnhandledCode, this, Code, Data);
}

void TComTerminalModel::DoGetEscapeCodes(std::unique_ptr<TEscapeCodes> &EscapeCodes) {
    fw::Fire(OnGetEscapeCodes, this, EscapeCodes);
}

} // namespace cport
