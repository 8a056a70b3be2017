#pragma once

#include "ComTypes.h"
#include "framework/Component.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace cport {

class TCustomComPort;

// A piece of received text reported by the packet assembler. The text is the
// receiver's own copy; any byte value, zero included, may occur in it.
using TRxStrEvent = std::function<void(fw::TComponent *Sender, const std::string &Str)>;

// Listens to one port and cuts the received byte stream into packets: an
// optional start string opens a packet, a stop string or a fixed size closes
// it; text outside packets is reported as discarded.
//
// There is no lock: the assembler lives in the thread that delivers the port's
// listener callbacks (the main thread with the port's default delivery), and
// its properties may be changed only from that thread, event handlers
// included.
class TComDataPacket : public fw::TComponent {
  public:
    explicit TComDataPacket(fw::TComponent *owner = nullptr);
    ~TComDataPacket() override;

    std::string ClassName() const override { return "TComDataPacket"; }

    TCustomComPort *ComPort() const { return comPort_; }
    void SetComPort(TCustomComPort *value);
    bool CaseInsensitive() const { return caseInsensitive_; }
    void SetCaseInsensitive(bool value);
    bool IncludeStrings() const { return includeStrings_; }
    void SetIncludeStrings(bool value);
    std::int32_t MaxBufferSize() const { return maxBufferSize_; }
    void SetMaxBufferSize(std::int32_t value);
    const std::string &StartString() const { return startString_; }
    void SetStartString(const std::string &value);
    const std::string &StopString() const { return stopString_; }
    void SetStopString(const std::string &value);
    std::int32_t Size() const { return size_; }
    void SetSize(std::int32_t value);

    TRxStrEvent OnDiscard;
    TRxStrEvent OnPacket;

    // The listener record registered with the port.
    const TComLink &Link() const { return *link_; }
    // Received text not reported yet, and whether a packet has been opened.
    std::string Collected() const { return collected_.substr(head_); }
    bool InPacket() const { return inPacket_; }

    // The link's receive callback: takes one chunk of received bytes, which
    // are copied and not retained.
    void AcceptData(fw::TComponent *Sender, const char *Buffer, std::int32_t Count);

    // Reports the collected text as discarded and starts looking for a start
    // again; does nothing when nothing is collected.
    void ClearCollected();

  protected:
    // Cuts every complete packet out of the collected text, then applies the
    // buffer limit.
    virtual void ScanBuffer();
    virtual void NotifyDiscard(const std::string &text);
    virtual void NotifyPacket(const std::string &text);

    void Notification(fw::TComponent *component, fw::TOperation operation) override;

  private:
    // One assembling step; false when no complete packet is left.
    bool ScanStep();
    void ApplyBufferLimit();
    void ClearCollectedUnlessLoading();
    // Lets go of the port without raising: used when the port or this
    // component is going away, where an error could not be handled.
    void DropComPort() noexcept;
    std::size_t CollectedLength() const { return collected_.size() - head_; }
    std::string TakeCollected(std::size_t count);
    std::string Stripped(std::string packet) const;
    // Position of the first occurrence of pattern in text from `from` on,
    // under the current letter-case rule; npos when absent or pattern is empty.
    std::size_t Find(const std::string &text, std::size_t from, const std::string &pattern) const;

    std::unique_ptr<TComLink> link_;
    TCustomComPort *comPort_ = nullptr;
    std::string startString_;
    std::string stopString_;
    std::int32_t maxBufferSize_ = 1024;
    std::int32_t size_ = 0;
    bool includeStrings_ = false;
    bool caseInsensitive_ = false;
    bool inPacket_ = false;
    // The collected text is collected_ from head_ on: cutting packets off the
    // front only moves head_, so a chunk holding many packets costs linear time.
    std::string collected_;
    std::size_t head_ = 0;
};

} // namespace cport
