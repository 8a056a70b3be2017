#pragma once

#include <QWidget>

#include <array>
#include <string>

class QGroupBox;
class QRadioButton;

namespace app {

// The memory partition window: one of 16 partitions, read by the Program
// command. Closing it only hides it, so the choice lasts while the program runs.
class TMemoryPartition : public QWidget {
  public:
    static constexpr int kButtonCount = 16;

    explicit TMemoryPartition(QWidget *parent = nullptr);

    // Command text of RadioButton<number>: "W", number-1 as a hex digit, "8".
    static std::string CommandText(int number);

    QGroupBox *RadioGroup1 = nullptr;
    // RadioButton1..RadioButton16 at indices 0..15.
    std::array<QRadioButton *, kButtonCount> RadioButton{};
};

extern TMemoryPartition *MemoryPartition;

} // namespace app
