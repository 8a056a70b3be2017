#include "cport/ValueTexts.h"

#include <gtest/gtest.h>

using namespace cport;

TEST(ValueTexts, EnumerationTextsInOrdinalOrder) {
    const char *rates[] = {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
                           "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
    for (int i = 0; i <= br256000; ++i) {
        EXPECT_EQ(BaudRateToText(static_cast<TBaudRate>(i)), rates[i]);
        EXPECT_EQ(TextToBaudRate(rates[i]), i);
    }
    EXPECT_EQ(StopBitsToText(sbOne5StopBits), "1.5");
    EXPECT_EQ(TextToStopBits("2"), sbTwoStopBits);
    EXPECT_EQ(DataBitsToText(dbFive), "5");
    EXPECT_EQ(TextToDataBits("7"), dbSeven);
    EXPECT_EQ(ParityToText(prSpace), "Space");
    EXPECT_EQ(FlowControlToText(fcNone), "None");
    EXPECT_EQ(FlowControlToText(fcCustom), "Custom");
    EXPECT_EQ(DTRControlToText(dtrHandshake), "Handshake");
    EXPECT_EQ(RTSControlToText(rtsToggle), "Toggle");
    EXPECT_EQ(TextToRTSControl("Toggle"), rtsToggle);
    EXPECT_EQ(TextToDTRControl("Enable"), dtrEnable);
}

TEST(ValueTexts, ReadingIgnoresLetterCaseButTrimsNothing) {
    EXPECT_EQ(TextToParity("even"), prEven);
    EXPECT_EQ(TextToParity("MARK"), prMark);
    EXPECT_EQ(TextToBaudRate("cUsToM"), brCustom);
    EXPECT_EQ(TextToFlowControl("hardware"), fcHardware);
    EXPECT_EQ(TextToRTSControl("handSHAKE"), rtsHandshake);
    // A blank anywhere makes the text name nothing.
    EXPECT_EQ(TextToParity(" Odd"), prNone);
    EXPECT_EQ(TextToParity("Ev en"), prNone);
    EXPECT_EQ(TextToFlowControl("None "), fcCustom);
}

TEST(ValueTexts, UnmatchedTextsGiveTheFallbacks) {
    EXPECT_EQ(TextToBaudRate("1234"), br9600);
    EXPECT_EQ(TextToBaudRate(""), br9600);
    EXPECT_EQ(TextToStopBits("3"), sbOneStopBit);
    EXPECT_EQ(TextToDataBits("9"), dbEight);
    EXPECT_EQ(TextToParity(""), prNone);
    EXPECT_EQ(TextToFlowControl("Xon"), fcCustom);
    EXPECT_EQ(TextToDTRControl("Toggle"), dtrDisable);
    EXPECT_EQ(TextToRTSControl(""), rtsDisable);
}

TEST(ValueTexts, YesNo) {
    EXPECT_EQ(BoolToText(true), "Yes");
    EXPECT_EQ(BoolToText(false), "No");
    for (const char *yes : {"Yes", "YES", "yes", "yEs"})
        EXPECT_TRUE(TextToBool(yes)) << yes;
    for (const char *no : {"No", "true", "1", "", "Yes ", "Y"})
        EXPECT_FALSE(TextToBool(no)) << no;
}

TEST(ValueTexts, CharactersWritten) {
    EXPECT_EQ(CharToText(17), "#17");
    EXPECT_EQ(CharToText(0), "#0");
    EXPECT_EQ(CharToText(' '), "#32");
    EXPECT_EQ(CharToText('!'), "!");
    EXPECT_EQ(CharToText('A'), "A");
    EXPECT_EQ(CharToText(127), "\x7f");
    EXPECT_EQ(CharToText(static_cast<char>(128)), "#128");
    EXPECT_EQ(CharToText(static_cast<char>(200)), "#200");
}

TEST(ValueTexts, CharactersRead) {
    EXPECT_EQ(TextToChar("#300"), 44);
    EXPECT_EQ(TextToChar("#$41"), 'A');
    EXPECT_EQ(TextToChar("#A"), 0);
    EXPECT_EQ(TextToChar("#"), '#');
    EXPECT_EQ(TextToChar("AB"), 'A');
    EXPECT_EQ(TextToChar(""), 0);
    EXPECT_EQ(TextToChar("#0x41"), 'A');
    EXPECT_EQ(TextToChar("# 65"), 'A');
    EXPECT_EQ(static_cast<unsigned char>(TextToChar("#-1")), 255);
    EXPECT_EQ(TextToChar("#17 "), 0);
}

TEST(ValueTexts, EveryCharacterSurvivesItsText) {
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        EXPECT_EQ(TextToChar(CharToText(c)), c) << code;
    }
}

TEST(ValueTexts, IntegerTextAccepted) {
    const std::pair<const char *, std::int32_t> good[] = {
        {"0", 0},
        {"007", 7},
        {"  42", 42},
        {"+5", 5},
        {"-17", -17},
        {"0x3E8", 1000},
        {"0X3e8", 1000},
        {"$ff", 255},
        {"x10", 16},
        {"X10", 16},
        {"-$10", -16},
        {" -0x10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$7FFFFFFF", INT32_MAX},
        {"-$80000000", INT32_MIN},
    };
    for (const auto &[text, expected] : good) {
        std::int32_t v = 12345;
        EXPECT_TRUE(TryTextToInt(text, v)) << text;
        EXPECT_EQ(v, expected) << text;
    }
}

TEST(ValueTexts, IntegerTextRejectedLeavesTheValue) {
    for (const char *bad : {"",
                            "  ",
                            "-",
                            "+",
                            "$",
                            "0x",
                            "x",
                            "42 ",
                            "4 2",
                            "\t5",
                            "1e3",
                            "--5",
                            "$-5",
                            "0x-5",
                            "2147483648",
                            "-2147483649",
                            "$80000000",
                            "99999999999999999999",
                            "0x1FFFFFFFF",
                            "12a",
                            "$g",
                            "five"}) {
        std::int32_t v = 12345;
        EXPECT_FALSE(TryTextToInt(bad, v)) << bad;
        EXPECT_EQ(v, 12345) << bad;
    }
}
