#include "CommonDialog1.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

CommonDialogError::CommonDialogError(int number)
    : std::runtime_error(number == cdlCancel ? "file dialog cancelled" : "file dialog failed"), Number(number)
{
}

void CommonDialog::ShowOpen() { show(FileDialogKind::Open); }

void CommonDialog::ShowSave() { show(FileDialogKind::Save); }

void CommonDialog::show(FileDialogKind kind)
{
    const std::string chosen =
        answerer_ ? answerer_->answer({kind, CancelError, InitDir, Filter, FileName}) : askPerson(kind);
    if (chosen.empty()) {
        if (CancelError) throw CommonDialogError(cdlCancel);
        return;
    }
    FileName = chosen;
}

std::string CommonDialog::askPerson(FileDialogKind kind) const
{
    QFileDialog dialog(owner_);
    // Qt's own dialog looks and behaves the same on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!InitDir.empty()) dialog.setDirectory(QString::fromStdString(InitDir));

    // A proposed name that is a wildcard pattern ("*.def") selects the files shown; it is not a
    // name to accept, so the name box starts empty.
    const QString proposed = QString::fromStdString(FileName);
    const bool proposedIsPattern = proposed.contains(QRegularExpression(QStringLiteral("[*?\\[]")));

    // The source is seldom named like the pattern, so every file stays on offer.
    const QString allFiles = QStringLiteral("すべてのファイル (*)");
    QStringList filters;
    if (!Filter.empty()) filters << QString::fromStdString(Filter).split(QStringLiteral(";;"));
    if (proposedIsPattern && !filters.contains(proposed)) filters.prepend(proposed);
    filters << allFiles;
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(proposedIsPattern ? proposed : filters.first());

    if (!proposed.isEmpty() && !proposedIsPattern) dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    QString chosen = dialog.selectedFiles().first();
    // A name typed without an extension takes the one of the pattern chosen ("*.xlsx").
    const QString pattern = dialog.selectedNameFilter();
    if (kind == FileDialogKind::Save && QFileInfo(chosen).suffix().isEmpty() &&
        pattern.contains(QRegularExpression(QStringLiteral("^\\*\\.\\w+$"))))
        chosen += pattern.mid(1);
    return chosen.toStdString();
}
