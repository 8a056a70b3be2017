#pragma once

#include "ComTermBuffer.h"
#include "ComTypes.h"
#include "EscapeCodes.h"
#include "TermView.h"
#include "framework/Color.h"
#include "framework/Component.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cport {

class TCustomComPort;

enum TTermEmulation : std::uint8_t { teVT100orANSI, teVT52, teNone };

// The handler may change or empty the received text before it is interpreted.
using TStrRecvEvent = std::function<void(fw::TComponent *Sender, std::string &Str)>;
using TChScreenEvent = std::function<void(fw::TComponent *Sender, char Ch)>;
// Data is the sequence as received, without its ESC.
using TUnhandledEvent = std::function<void(fw::TComponent *Sender, TEscapeCode Code, std::string_view Data)>;
// Fired with an empty parser when the emulation is teNone; whatever parser the
// handler leaves there is used and owned by the terminal.
using TEscapeEvent = std::function<void(fw::TComponent *Sender, std::unique_ptr<TEscapeCodes> &EscapeCodes)>;

// The terminal without its window: the grid, the cursor and attributes, what
// each received character and escape code does, the answers sent to queries,
// the sending of typed characters and key codes, and the link to the port.
// The Qt control derives from it, implements TTermView and passes itself to
// SetView; the model itself needs no windowing toolkit.
//
// A terminal made in code has its parser and grid from construction on. One
// read from a stored description (BeginLoading/EndLoading) gets them anew
// when loading ends, at the loaded Emulation, Columns and Rows.
class TComTerminalModel : public fw::TComponent {
  public:
    explicit TComTerminalModel(fw::TComponent *owner = nullptr);
    ~TComTerminalModel() override;

    std::string ClassName() const override { return "TComTerminalModel"; }

    // The view is not owned; it must outlive the model or be reset to null.
    void SetView(TTermView *view) { view_ = view; }
    TTermView *View() const { return view_; }

    // --- properties ---
    TCustomComPort *ComPort() const { return comPort_; }
    void SetComPort(TCustomComPort *value);
    // True when a port is set and open; setting it opens or closes that port.
    bool Connected() const;
    void SetConnected(bool value);
    std::int32_t Columns() const { return columns_; }
    void SetColumns(std::int32_t value); // clamped to 2..256
    std::int32_t Rows() const { return rows_; }
    void SetRows(std::int32_t value); // clamped to 2..100
    TTermEmulation Emulation() const { return emulation_; }
    void SetEmulation(TTermEmulation value);
    bool WrapLines() const { return wrapLines_; }
    void SetWrapLines(bool value) { wrapLines_ = value; }
    bool LocalEcho() const { return localEcho_; }
    void SetLocalEcho(bool value) { localEcho_ = value; }
    bool SendLF() const { return sendLF_; }
    void SetSendLF(bool value) { sendLF_ = value; }
    bool AppendLF() const { return appendLF_; }
    void SetAppendLF(bool value) { appendLF_ = value; }
    // Clears the eighth bit of every received character, for lines that
    // carry 7-bit text with a parity or garbage bit on top.
    bool Force7Bit() const { return force7Bit_; }
    void SetForce7Bit(bool value) { force7Bit_ = value; }
    // Cell colours are taken from these when a cell is written; the control
    // keeps Color (background) and FontColor (its font's colour) in step with
    // its own appearance. Stored cells keep the colours they were written with.
    fw::TColor AltColor() const { return altColor_; }
    void SetAltColor(fw::TColor value) { altColor_ = value; }
    fw::TColor Color() const { return color_; }
    void SetColor(fw::TColor value) { color_ = value; }
    fw::TColor FontColor() const { return fontColor_; }
    void SetFontColor(fw::TColor value) { fontColor_ = value; }

    // --- state ---
    TComTermBuffer &ScreenBuffer() { return buffer_; }
    const TComTermBuffer &ScreenBuffer() const { return buffer_; }
    TEscapeCodes *Parser() const { return parser_.get(); }
    std::int32_t CursorColumn() const { return cursorColumn_; }
    std::int32_t CursorRow() const { return cursorRow_; }
    std::int32_t SavedColumn() const { return savedColumn_; }
    std::int32_t SavedRow() const { return savedRow_; }
    bool AttrReverse() const { return attrReverse_; }
    bool AttrBold() const { return attrBold_; }
    bool AttrUnderline() const { return attrUnderline_; }
    // Application cursor-key mode, read by the keyboard handling.
    bool AppCursorKeys() const { return appCursorKeys_; }
    // The view origin: the grid column and row shown at the top left. The
    // view maintains it; the model only reads it to place drawn cells.
    std::int32_t LeftColumn() const { return leftColumn_; }
    void SetLeftColumn(std::int32_t value) { leftColumn_ = value; }
    std::int32_t TopRow() const { return topRow_; }
    void SetTopRow(std::int32_t value) { topRow_ = value; }
    const TComLink &Link() const { return link_; }

    // --- received traffic ---
    void LinkRxBuf(fw::TComponent *Sender, const char *Buffer, std::int32_t Count);
    void InterpretText(std::string Text);
    void PutChar(char Ch);
    TTermCell MakeCell(char Ch) const;

    // --- cursor; every operation leaves the cursor inside the grid ---
    void MoveCursor(std::int32_t Column, std::int32_t Row);
    void AdvanceCursor();
    void CarriageReturn();
    void LineFeed();
    void ReverseLineFeed();
    void TabForward();
    void BackSpace();

    // --- escape codes ---
    // Applies a completed code; false when the terminal does not act on it.
    // Params may be null; codes that answer a query reuse it for the answer.
    bool HandleCode(TEscapeCode Code, TStringList *Params);
    void SetAttributes(const TStringList *Params);
    void ResetAttributes();
    void SetMode(const TStringList *Params, bool On);
    void SaveCursor();
    void RestoreCursor();
    void SaveAttributes();
    void RestoreAttributes();
    void FillScreen(char Ch);

    // --- sending; nothing happens without an open port ---
    void SendChar(char Ch);
    void SendCode(TEscapeCode Code, TStringList *Params = nullptr);
    void SendReply(TEscapeCode Code, TStringList *Params = nullptr);

    // Replaces the parser by a new one for the current Emulation.
    void CreateParser();

    // --- events ---
    TStrRecvEvent OnStrRecieved;
    TChScreenEvent OnChar;
    TUnhandledEvent OnUnhandledCode;
    TEscapeEvent OnGetEscapeCodes;

  protected:
    void AfterLoad() override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

    virtual void DoStrRecieved(std::string &Str);
    virtual void DoChar(char Ch);
    virtual void DoUnhandledCode(TEscapeCode Code, std::string_view Data);
    virtual void DoGetEscapeCodes(std::unique_ptr<TEscapeCodes> &EscapeCodes);

  private:
    friend class TComTermBuffer;

    // View operations; skipped without a view.
    void DrawCell(std::int32_t viewColumn, std::int32_t viewRow, const TTermCell &cell) {
        if (view_ != nullptr)
            view_->DrawCell(viewColumn, viewRow, cell);
    }
    void InvalidateCells(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
        if (view_ != nullptr)
            view_->InvalidateCells(left, top, right, bottom);
    }
    void ScrollDisplay(TScrollDirection direction) {
        if (view_ != nullptr)
            view_->ScrollDisplay(direction);
    }
    void PlaceCaret() {
        if (view_ != nullptr)
            view_->PlaceCaret();
    }
    void HideTermCaret() {
        if (view_ != nullptr)
            view_->HideTermCaret();
    }
    void ShowTermCaret() {
        if (view_ != nullptr)
            view_->ShowTermCaret();
    }
    void RepaintAll() {
        if (view_ != nullptr)
            view_->RepaintAll();
    }

    // HandleCode, SetAttributes and SetMode over any source of parameters.
    template <typename TParams> bool ApplyCode(TEscapeCode Code, TParams &Params);
    template <typename TParams> void ApplyAttributes(const TParams &Params);
    template <typename TParams> void ApplyMode(const TParams &Params, bool On);
    void ReplaceParser(std::unique_ptr<TEscapeCodes> parser);
    void GridSizeChanged();
    void MoveCursorBy(std::int64_t columns, std::int64_t rows);
    void InterpretChars(const std::string &text);
    std::size_t PutText(const char *text, std::size_t length, const TEscapeCodes *parser);
    bool CanSend() const;
    void DropPort();

    TComTermBuffer buffer_;
    std::unique_ptr<TEscapeCodes> parser_;
    // Parsers replaced while a chunk is being interpreted live on until the
    // chunk is done, since the loop and the event handlers still refer to them.
    std::vector<std::unique_ptr<TEscapeCodes>> retiredParsers_;
    std::int32_t interpreting_ = 0;
    TTermView *view_ = nullptr;
    TCustomComPort *comPort_ = nullptr;
    TComLink link_;

    std::int32_t columns_ = 80;
    std::int32_t rows_ = 24;
    TTermEmulation emulation_ = teVT100orANSI;
    bool wrapLines_ = false;
    bool localEcho_ = false;
    bool sendLF_ = false;
    bool appendLF_ = false;
    bool force7Bit_ = false;
    fw::TColor altColor_ = 0xA6A6A6;
    fw::TColor color_ = fw::clBlack;
    fw::TColor fontColor_ = fw::clWhite;

    std::int32_t cursorColumn_ = 1;
    std::int32_t cursorRow_ = 1;
    std::int32_t savedColumn_ = 0;
    std::int32_t savedRow_ = 0;
    bool attrReverse_ = false;
    bool attrBold_ = false;
    bool attrUnderline_ = false;
    bool savedReverse_ = false;
    bool savedBold_ = false;
    bool savedUnderline_ = false;
    bool appCursorKeys_ = false;
    std::int32_t leftColumn_ = 1;
    std::int32_t topRow_ = 1;
};

} // namespace cport
