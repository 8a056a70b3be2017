#pragma once

#include <QString>

class QWidget;

namespace app {

// A file dialog that keeps the chosen name between runs: a cancelled run
// leaves the previous one.
class TFileDialog {
  public:
    enum class TKind { Open, Save };
    TFileDialog(TKind kind, QString filter) : kind_(kind), filter_(std::move(filter)) {}

    const QString &FileName() const { return fileName_; }
    void SetFileName(const QString &name) { fileName_ = name; }
    const QString &Filter() const { return filter_; }

    // Runs the dialog modally; true when the user chose a file.
    bool Execute(QWidget *parent);

  private:
    TKind kind_;
    QString filter_;
    QString fileName_;
};

} // namespace app
