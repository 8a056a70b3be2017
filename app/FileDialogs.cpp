#include "FileDialogs.h"

#include <QFileDialog>

namespace app {

bool TFileDialog::Execute(QWidget *parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(kind_ == TKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(kind_ == TKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(filter_);
    if (!fileName_.isEmpty())
        dialog.selectFile(fileName_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName_ = dialog.selectedFiles().constFirst();
    return true;
}

} // namespace app
