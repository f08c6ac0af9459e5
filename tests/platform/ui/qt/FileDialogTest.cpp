#include "ModalDriver.h"
#include "platform/ui/qt/QtFileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace quorin::ui {
namespace {

using test::ModalDriver;

using test::ChooseFile;

FileDialogRequest Request(std::string title, std::string mask, std::string startName, std::string startFolder,
                          bool save)
{
    FileDialogRequest request;
    request.title = std::move(title);
    request.mask = std::move(mask);
    request.startName = std::move(startName);
    request.startFolder = std::move(startFolder);
    request.save = save;
    return request;
}

// What the dialog's Open or Save button does, with all its checks.
void Accept(QFileDialog* dialog) { QMetaObject::invokeMethod(dialog, "accept"); }

TEST(QtFileDialog, MaskStringsBecomeNameFilters)
{
    const struct {
        const char* masks;
        QStringList filters;
    } cases[] = {
        {"PDF Files|*.pdf", {"PDF Files (*.pdf)"}},
        {"PDF Files|*.pdf|All Files|*.*", {"PDF Files (*.pdf)", "All Files (*)"}},
        {"Scripts|*.js;*.txt", {"Scripts (*.js *.txt)"}},
        {"", {"All Files (*)"}},
        {"Dangling description", {"All Files (*)"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameFilters(c.masks), c.filters) << c.masks;
    }
}

class QtFileDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        QFile file(Path("form1.pdf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF-1.4\n");
    }
    QString Path(const char* name) const { return QDir(folder_.path()).filePath(QLatin1String(name)); }
    std::string Folder() const { return folder_.path().toStdString(); }

    QTemporaryDir folder_;
    ModalDriver driver_;
};

TEST_F(QtFileDialogTest, OpenReturnsTheChosenExistingFileAndShowsTheRequest)
{
    QString title;
    QStringList filters;
    bool native = true;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString startFolder;
    driver_.When<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        mode = dialog->fileMode();
        startFolder = dialog->directory().absolutePath();
        ChooseFile(dialog, QStringLiteral("form1.pdf"));
    });
    const auto chosen = AskFileName(nullptr, Request("Select PDF Form to extract...", "PDF Files|*.pdf", "", Folder(), false));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QString::fromStdString(*chosen), QDir::toNativeSeparators(Path("form1.pdf")));
    EXPECT_EQ(title, "Select PDF Form to extract...");
    EXPECT_EQ(filters, QStringList{"PDF Files (*.pdf)"});
    EXPECT_FALSE(native);
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(startFolder, QDir(folder_.path()).absolutePath());
}

TEST_F(QtFileDialogTest, OpenRefusesAMissingFileAndCancelGivesNothing)
{
    bool stillOpen = false;
    driver_.When<QFileDialog>([&](QFileDialog* dialog) {
        ChooseFile(dialog, QStringLiteral("missing.pdf"));
        stillOpen = dialog->isVisible();
        dialog->reject();
    });
    const auto chosen = AskFileName(nullptr, Request("Open", "", "", Folder(), false));
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(chosen.has_value());
}

TEST_F(QtFileDialogTest, StartNameIsPreselectedInItsFolder)
{
    QStringList selected;
    driver_.When<QFileDialog>([&](QFileDialog* dialog) {
        selected = dialog->selectedFiles();
        Accept(dialog);
    });
    const auto chosen =
        AskFileName(nullptr, Request("Open", "", Path("form1.pdf").toStdString(), "", false));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front(), Path("form1.pdf"));
    ASSERT_TRUE(chosen.has_value());
}

// Saving over an existing file asks first; No leaves the dialog open, Yes takes the name.
TEST_F(QtFileDialogTest, SaveAsksBeforeOverwriting)
{
    int questions = 0;
    QStringList answers = {"No", "Yes"};
    const auto answer = [&](QMessageBox* box) {
        ++questions;
        const bool yes = answers.takeFirst() == "Yes";
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    };
    const auto saveOver = [&](QFileDialog* dialog) {
        ChooseFile(dialog, QStringLiteral("form1.pdf"));
    };
    driver_.When<QFileDialog>(saveOver);
    driver_.When<QMessageBox>(answer);
    driver_.When<QFileDialog>(saveOver);
    driver_.When<QMessageBox>(answer);
    const auto chosen = AskFileName(nullptr, Request("Select Save As PDF File Name", "PDF Files|*.pdf", "", Folder(), true));
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(driver_.Pending(), 0u);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QString::fromStdString(*chosen), QDir::toNativeSeparators(Path("form1.pdf")));
}

TEST_F(QtFileDialogTest, SaveOfANewNameAsksNothing)
{
    driver_.When<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        ChooseFile(dialog, QStringLiteral("form1-filled.pdf"));
    });
    const auto chosen = AskFileName(nullptr, Request("Save", "PDF Files|*.pdf", "", Folder(), true));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QString::fromStdString(*chosen), QDir::toNativeSeparators(Path("form1-filled.pdf")));
}

} // namespace
} // namespace quorin::ui
