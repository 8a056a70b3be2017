#pragma once

#include "framework/Set.h"

#include <QKeyEvent>

#include <cstdint>

namespace cport {

// Virtual key codes as key-down handlers see them: the codes of the
// keyboard's keys independent of the character they type.
namespace vk {
constexpr std::uint16_t Back = 0x08;
constexpr std::uint16_t Tab = 0x09;
constexpr std::uint16_t Return = 0x0D;
constexpr std::uint16_t Shift = 0x10;
constexpr std::uint16_t Control = 0x11;
constexpr std::uint16_t Menu = 0x12;
constexpr std::uint16_t Pause = 0x13;
constexpr std::uint16_t Capital = 0x14;
constexpr std::uint16_t Escape = 0x1B;
constexpr std::uint16_t Space = 0x20;
constexpr std::uint16_t Prior = 0x21;
constexpr std::uint16_t Next = 0x22;
constexpr std::uint16_t End = 0x23;
constexpr std::uint16_t Home = 0x24;
constexpr std::uint16_t Left = 0x25;
constexpr std::uint16_t Up = 0x26;
constexpr std::uint16_t Right = 0x27;
constexpr std::uint16_t Down = 0x28;
constexpr std::uint16_t Insert = 0x2D;
constexpr std::uint16_t Delete = 0x2E;
constexpr std::uint16_t F1 = 0x70;
// Keys that type a character but have no key code of their own on this
// keyboard (a dead key, a letter of another alphabet) report this one.
constexpr std::uint16_t Packet = 0xE7;
} // namespace vk

enum TShiftStateFlag : std::uint8_t { ssShift, ssAlt, ssCtrl };
using TShiftState = fw::TSet<TShiftStateFlag>;

// The virtual key code of a Qt key, 0 for keys that have none (the terminal
// then reports them as vk::Packet). Punctuation gives the code of the key
// that types it on a US keyboard, shifted or not: "!" the code of "1", ";"
// and ":" the same OEM code.
std::uint16_t VirtualKeyOf(int qtKey);
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

} // namespace cport
