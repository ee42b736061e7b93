// Qt's dialogs as the program opens them write nothing: the folder picker
// (which keeps its history even after Cancel) and the colour dialog (which
// keeps custom colours) leave the user's home and configuration folders empty.

#include "ui/folder_picker.h"
#include "ui/qt_dialog_state.h"
#include "settings/controls.h"

#include <QApplication>
#include <QColorDialog>
#include <QDirIterator>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Calls fn with the modal dialog of type T once it is up.
template <typename T>
void whenModal(std::function<void(T*)> fn)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, fn] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            fn(dialog);
        }
    });
    poll->start();
}

QStringList everythingIn(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class TestDialogState : public QObject {
    Q_OBJECT

public:
    explicit TestDialogState(QString home)
        : home_(std::move(home))
    {
    }

private slots:
    void dialogsLeaveNothingBehind()
    {
        QTemporaryDir browsed;
        QVERIFY(QDir(browsed.path()).mkpath("zoo/lions"));

        // The folder picker: a walk into two folders, then Cancel.
        const std::unique_ptr<FolderPicker> picker = CreateQtFolderPicker();
        bool picked = false;
        whenModal<QFileDialog>([&](QFileDialog* d) {
            picked = true;
            d->setDirectory(browsed.filePath("zoo"));
            d->setDirectory(browsed.filePath("zoo/lions"));
            d->reject();
        });
        QCOMPARE(picker->BrowseForFolder(nullptr, QStringLiteral("Data Folder,"), browsed.path()), QString());
        QVERIFY(picked);

        // The colour dialog: a custom colour added, then OK.
        TColorDialogHolder colour;
        bool added = false;
        whenModal<QColorDialog>([&](QColorDialog* d) {
            d->setCurrentColor(QColor(0x12, 0x34, 0x56));
            for (QPushButton* button : d->findChildren<QPushButton*>())
                if (button->text().remove('&').contains(QLatin1String("Custom Colors"))) {
                    button->click();
                    added = true;
                }
            d->accept();
        });
        QVERIFY(colour.execute(nullptr));
        QVERIFY(added);
        QCOMPARE(QColorDialog::customColor(0), QColor(0x12, 0x34, 0x56));

        const QStringList left = everythingIn(home_);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
    }

private:
    QString home_;
};

int main(int argc, char** argv)
{
    // A home of the test's own, set before Qt first looks for the user's folders.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(variable);
    QApplication app(argc, argv);
    platform::KeepDialogStateUnwritten();
    TestDialogState test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "test_dialog_state.moc"
