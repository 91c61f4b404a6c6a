// The window's dialogs: opening a saved file with the application the desktop names for it,
// and the three-way question.
#include "app/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

#include "app/language.h"

using vernoll::QtDialogs;

namespace {

// The window's dialogs with their message boxes written down instead of shown.
class RecordingDialogs : public QtDialogs {
public:
    void message(const QString& text, Icon icon) override {
        shown << text;
        icons << icon;
    }
    QStringList shown;
    QList<Icon> icons;
};

}  // namespace

TEST(QtDialogs, AFileNoApplicationOpensIsSaidWithItsPath) {
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("Estacion 6_12_2026.CSV"));
    QFile(csv).open(QIODevice::WriteOnly);
    // The desktop's table of applications knows none for any kind, and says what it was asked.
    const QString asked = dir.filePath(QStringLiteral("asked"));
    QFile script(dir.filePath(QStringLiteral("xdg-mime")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$@\" >> '" + QFile::encodeName(asked) + "'\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()));

    RecordingDialogs dialogs;
    const bool opened = dialogs.openWithApplication(csv);
    qputenv("PATH", path);

    EXPECT_FALSE(opened);
    EXPECT_EQ(dialogs.shown, QStringList{QStringLiteral("No hay un programa asociado para abrir "
                                                        "Estacion 6_12_2026.CSV\r\n") +
                                         csv});
    EXPECT_EQ(dialogs.icons, QList<QtDialogs::Icon>{QtDialogs::Icon::Warning});
    QFile queries(asked);
    ASSERT_TRUE(queries.open(QIODevice::ReadOnly));
    EXPECT_TRUE(queries.readLine().startsWith("query default text/csv")) << asked.toStdString();
}

// The three-way question: each button gives its answer, and a box closed without one is
// Cancel (the erase guard then sends nothing).
TEST(QtDialogs, ThreeWayQuestionAnswersByItsButtonsAndCancelsWhenClosed) {
    struct Case {
        std::optional<QMessageBox::StandardButton> button;  // nothing: Escape
        QtDialogs::Answer answer;
    } cases[] = {{QMessageBox::Yes, QtDialogs::Answer::Yes},
                 {QMessageBox::No, QtDialogs::Answer::No},
                 {QMessageBox::Cancel, QtDialogs::Answer::Cancel},
                 {std::nullopt, QtDialogs::Answer::Cancel}};
    for (const Case& c : cases) {
        QtDialogs dialogs;
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            asked = box->text();
            if (c.button)
                box->button(*c.button)->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_EQ(dialogs.askYesNoCancel(QStringLiteral("\u00bfDescargar?\r\nSegunda l\u00ednea")),
                  c.answer);
        EXPECT_EQ(asked, QStringLiteral("\u00bfDescargar?\nSegunda l\u00ednea"));
    }
}

// Qt's own texts inside the window are Spanish whatever the machine's locale (the tests run
// under C.UTF-8): the buttons of the questions, the file dialog's and the date pickers' months.
TEST(QtDialogs, QtsOwnTextsAreSpanishWhateverTheLocale) {
    ASSERT_TRUE(vernoll::speakSpanish(*qApp)) << "qt6-translations-l10n missing";
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    QStringList buttons;
    for (auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok})
        buttons << box.button(which)->text().remove(QLatin1Char('&'));
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("S\u00ed"), QStringLiteral("No"),
                                    QStringLiteral("Cancelar"), QStringLiteral("Aceptar")}));

    QFileDialog save;
    save.setOption(QFileDialog::DontUseNativeDialog);
    save.setAcceptMode(QFileDialog::AcceptSave);
    auto* accept = save.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save);
    ASSERT_NE(accept, nullptr);
    EXPECT_EQ(accept->text().remove(QLatin1Char('&')), QStringLiteral("Guardar"));

    QCalendarWidget calendar;
    EXPECT_EQ(calendar.locale().monthName(12), QStringLiteral("diciembre"));
    EXPECT_EQ(calendar.locale().dayName(3, QLocale::ShortFormat), QStringLiteral("mi\u00e9"));
}

// The base files' open dialog starts among the downloads' copies once there are any; before
// the first download it starts where the other file dialogs do.
TEST(QtDialogs, BaseFilesAreLookedForAmongTheCopiesFirst) {
    QTemporaryDir dir;
    const QString copies = dir.filePath(QStringLiteral("descargas"));
    for (const bool made : {false, true}) {
        SCOPED_TRACE(made);
        if (made) {
            ASSERT_TRUE(QDir().mkpath(copies));
        }
        QtDialogs dialogs;
        dialogs.setCopiesFolder(copies);
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
        EXPECT_EQ(
            dialogs.openFileName({QStringLiteral("datos base (*.rgt)"), QStringLiteral("*.rgt")}),
            std::nullopt);
        EXPECT_EQ(shown, made ? copies : QtDialogs::startFolder());
    }
}
