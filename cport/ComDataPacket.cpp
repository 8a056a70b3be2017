#include "ComDataPacket.h"

#include "ComPort.h"

#include <algorithm>

namespace cport {

namespace {

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsRegistered(const TCustomComPort &port, const TComLink *link) {
    const auto &links = port.Links();
    return std::find(links.begin(), links.end(), link) != links.end();
}

} // namespace

TComDataPacket::TComDataPacket(fw::TComponent *owner) : fw::TComponent(owner), link_(std::make_unique<TComLink>()) {
    link_->OnRxBuf = [this](fw::TComponent *sender, const char *buffer, std::int32_t count) {
        AcceptData(sender, buffer, count);
    };
}

TComDataPacket::~TComDataPacket() {
    DropComPort();
    // Tell listeners while the link still exists; text still collected is not reported.
    NotifyRemoval();
}

void TComDataPacket::SetComPort(TCustomComPort *value) {
    if (value == comPort_)
        return;
    if (comPort_ != nullptr) {
        comPort_->RemoveLink(link_.get());
        RemoveFreeNotification(comPort_);
    }
    comPort_ = value;
    if (comPort_ != nullptr) {
        comPort_->FreeNotification(this);
        comPort_->AddLink(link_.get());
    }
}

void TComDataPacket::DropComPort() noexcept {
    TCustomComPort *port = comPort_;
    if (port == nullptr)
        return;
    comPort_ = nullptr;
    RemoveFreeNotification(port);
    // Someone may have unregistered the link behind our back; a destructor
    // cannot report that, so only a registered link is removed.
    if (IsRegistered(*port, link_.get())) {
        try {
            port->RemoveLink(link_.get());
        } catch (...) {
        }
    }
}

void TComDataPacket::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component != nullptr && component == comPort_)
        DropComPort();
}

void TComDataPacket::SetCaseInsensitive(bool value) {
    if (value == caseInsensitive_)
        return;
    caseInsensitive_ = value;
    ClearCollectedUnlessLoading();
}

void TComDataPacket::SetIncludeStrings(bool value) { includeStrings_ = value; }

void TComDataPacket::SetMaxBufferSize(std::int32_t value) { maxBufferSize_ = value; }

void TComDataPacket::SetStartString(const std::string &value) {
    if (value == startString_)
        return;
    startString_ = value;
    ClearCollectedUnlessLoading();
}

void TComDataPacket::SetStopString(const std::string &value) {
    if (value == stopString_)
        return;
    stopString_ = value;
    ClearCollectedUnlessLoading();
}

void TComDataPacket::SetSize(std::int32_t value) {
    if (value == size_)
        return;
    size_ = value;
    ClearCollectedUnlessLoading();
}

void TComDataPacket::ClearCollectedUnlessLoading() {
    if (!IsLoading())
        ClearCollected();
}

void TComDataPacket::ClearCollected() {
    if (CollectedLength() == 0)
        return;
    // Empty the buffer before reporting: a discard handler that changes a
    // setting clears again, and must not be handed the same text twice.
    std::string text = Collected();
    collected_.clear();
    head_ = 0;
    inPacket_ = false;
    NotifyDiscard(text);
}

void TComDataPacket::AcceptData(fw::TComponent *, const char *Buffer, std::int32_t Count) {
    if (Buffer == nullptr || Count <= 0)
        return;
    std::string chunk(Buffer, static_cast<std::size_t>(Count));
    if (size_ > 0 || !stopString_.empty()) {
        collected_.erase(0, head_);
        head_ = 0;
        collected_ += chunk;
        ScanBuffer();
    } else {
        // Nothing could end a packet, so every chunk is one.
        NotifyPacket(chunk);
    }
}

void TComDataPacket::ScanBuffer() {
    try {
        while (ScanStep()) {
        }
    } catch (...) {
        ApplyBufferLimit();
        throw;
    }
    ApplyBufferLimit();
}

bool TComDataPacket::ScanStep() {
    if (!inPacket_) {
        if (startString_.empty()) {
            inPacket_ = true;
        } else {
            const std::size_t start = Find(collected_, head_, startString_);
            if (start == std::string::npos)
                return false; // a later chunk may complete the start string
            std::string before = TakeCollected(start - head_);
            inPacket_ = true;
            NotifyDiscard(before);
        }
    }
    // A discard handler may have changed a setting and emptied the buffer.
    if (!inPacket_)
        return false;

    const std::size_t available = CollectedLength();
    std::size_t length = 0;
    if (size_ > 0 && static_cast<std::size_t>(size_) <= available) {
        length = static_cast<std::size_t>(size_);
    } else {
        const std::size_t stop = Find(collected_, head_, stopString_);
        if (stop == std::string::npos)
            return false;
        length = stop - head_ + stopString_.size();
    }
    inPacket_ = false;
    std::string packet = TakeCollected(length);
    if (!includeStrings_)
        packet = Stripped(std::move(packet));
    NotifyPacket(packet);
    return true;
}

void TComDataPacket::ApplyBufferLimit() {
    if (maxBufferSize_ > 0 && CollectedLength() >= static_cast<std::size_t>(maxBufferSize_))
        ClearCollected();
}

std::string TComDataPacket::TakeCollected(std::size_t count) {
    std::string taken = collected_.substr(head_, count);
    head_ += taken.size();
    if (head_ == collected_.size()) {
        collected_.clear();
        head_ = 0;
    }
    return taken;
}

std::string TComDataPacket::Stripped(std::string packet) const {
    if (!startString_.empty() && Find(packet, 0, startString_) == 0)
        packet.erase(0, startString_.size());
    if (!stopString_.empty()) {
        const std::size_t stop = Find(packet, 0, stopString_);
        if (stop != std::string::npos && stop + stopString_.size() == packet.size())
            packet.erase(stop);
    }
    return packet;
}

std::size_t TComDataPacket::Find(const std::string &text, std::size_t from, const std::string &pattern) const {
    if (pattern.empty() || from > text.size())
        return std::string::npos;
    if (!caseInsensitive_) {
        return text.find(pattern, from);
    }
    const auto same = [](char a, char b) { return FoldAscii(a) == FoldAscii(b); };
    const auto begin = text.begin() + static_cast<std::ptrdiff_t>(from);
    const auto found = std::search(begin, text.end(), pattern.begin(), pattern.end(), same);
    return found == text.end() ? std::string::npos : static_cast<std::size_t>(found - text.begin());
}

void TComDataPacket::NotifyDiscard(const std::string &text) { fw::Fire(OnDiscard, this, text); }

void TComDataPacket::NotifyPacket(const std::string &text) { fw::Fire(OnPacket, this, text); }

} // namespace cport
