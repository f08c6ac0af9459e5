#include "platform/ui/qt/QtFileDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace quorin::ui {

namespace {

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString QtPatterns(const QString& patterns)
{
    QStringList result;
    for (QString pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        pattern = pattern.trimmed();
        // On the platform the system comes from "*.*" also matches names without a dot.
        if (pattern == QLatin1String("*.*")) {
            pattern = QStringLiteral("*");
        }
        if (!pattern.isEmpty()) {
            result << pattern;
        }
    }
    return result.join(QLatin1Char(' '));
}

} // namespace

QStringList NameFilters(std::string_view masks)
{
    const QStringList parts = FromUtf8(masks).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QtPatterns(parts[i + 1]);
        if (patterns.isEmpty()) {
            continue;
        }
        const QString description = parts[i].trimmed();
        filters << (description.isEmpty() ? patterns : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    if (filters.isEmpty()) {
        filters << QStringLiteral("All Files (*)");
    }
    return filters;
}

std::optional<std::string> AskFileName(QWidget* parent, const FileDialogRequest& request)
{
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QFileDialog dialog(parent, FromUtf8(request.title));
    dialog.setObjectName(QLatin1String(kFileDialogObjectName));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);

    if (request.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, request.noOverwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles
                           : request.mustExist ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
    }
    if (!request.folder) {
        dialog.setNameFilters(NameFilters(request.mask));
    }

    const QString folder = request.startFolder.empty() ? QDir::currentPath() : FromUtf8(request.startFolder);
    dialog.setDirectory(folder);
    if (!request.startName.empty()) {
        const QFileInfo start(QDir(folder), FromUtf8(request.startName));
        if (start.dir().exists()) {
            dialog.setDirectory(start.absolutePath());
        }
        dialog.selectFile(start.fileName());
    }

    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    QStringList names;
    for (const QString& name : chosen) {
        names << QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
    }
    return names.join(QLatin1Char('|')).toStdString();
}

} // namespace quorin::ui
