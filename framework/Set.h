#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace fw {

// A set of enumeration values held as a bit mask, bit n for the value with ordinal n.
template <typename E, typename Bits = std::uint32_t> class TSet {
    static_assert(std::is_enum_v<E>);

  public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values) {
        for (E v : values)
            bits_ |= Bit(v);
    }
    static constexpr TSet FromBits(Bits bits) {
        TSet s;
        s.bits_ = bits;
        return s;
    }

    constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr Bits ToBits() const { return bits_; }
    constexpr TSet &Include(E v) {
        bits_ |= Bit(v);
        return *this;
    }
    constexpr TSet &Exclude(E v) {
        bits_ &= static_cast<Bits>(~Bit(v));
        return *this;
    }
    constexpr TSet operator+(TSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TSet operator-(TSet o) const { return FromBits(bits_ & static_cast<Bits>(~o.bits_)); }
    constexpr TSet operator*(TSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TSet &) const = default;

  private:
    static constexpr Bits Bit(E v) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(v)); }
    Bits bits_ = 0;
};

} // namespace fw
