#pragma once

#include "ComTypes.h"

#include <cstdint>
#include <string>

namespace cport {

// The canonical text of every stored settings value. The settings file and
// the setup dialog's lists show the same words, so both go through these.
// Reading compares ASCII letters without regard to case and trims nothing;
// a text that names no value gives the type's fallback.

std::string BaudRateToText(TBaudRate value);
TBaudRate TextToBaudRate(const std::string &text); // fallback br9600
std::string StopBitsToText(TStopBits value);
TStopBits TextToStopBits(const std::string &text); // fallback sbOneStopBit
std::string DataBitsToText(TDataBits value);
TDataBits TextToDataBits(const std::string &text); // fallback dbEight
std::string ParityToText(TParityBits value);
TParityBits TextToParity(const std::string &text); // fallback prNone
std::string FlowControlToText(TFlowControl value);
TFlowControl TextToFlowControl(const std::string &text); // fallback fcCustom

std::string DTRControlToText(TDTRFlowControl value);
TDTRFlowControl TextToDTRControl(const std::string &text); // fallback dtrDisable
std::string RTSControlToText(TRTSFlowControl value);
TRTSFlowControl TextToRTSControl(const std::string &text); // fallback rtsDisable

// "Yes" / "No"; only "yes" in any letter case reads as true.
std::string BoolToText(bool value);
bool TextToBool(const std::string &text);

// Printable codes 33..127 stand for themselves, every other code is "#" and
// its decimal number. Reading: "" is 0, "#n" is n's low 8 bits (0 when n is
// no integer), anything else is its first character.
std::string CharToText(char value);
char TextToChar(const std::string &text);

// Integer text: leading spaces, an optional sign, then decimal digits or
// hexadecimal ones after "$", "x", "X", "0x" or "0X"; nothing may follow and
// the number must fit a 32-bit signed integer. Returns false when it is no
// such number (value is then left alone).
bool TryTextToInt(const std::string &text, std::int32_t &value);

// ASCII-only letter-case folding and comparison, as the stored texts use.
std::string UpperCaseAscii(std::string text);
bool SameTextAscii(const std::string &a, const std::string &b);

} // namespace cport
