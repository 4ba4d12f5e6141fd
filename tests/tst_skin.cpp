// The skin: the plain-file lookup beside the program, the colours, the call
// sequence into the skin layer and the files the style sheet layer rejects.
#include "support/CursorFiles.h"
#include "support/Fixtures.h"
#include "support/ShellWindow.h"

#include "app/MainModule.h"
#include "app/QssSkin.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

using testing::FixtureTree;
using testing::ShellWindow;

namespace {

const QString SkinPath = QStringLiteral("x/o.cjs");
const QByteArray ValidSheet = "QPushButton { color: #102030; }\n";

QColor buttonFace()
{
    return QGuiApplication::palette().color(QPalette::Button);
}

// The backgrounds the skin step changes, by control name.
QHash<QString, QColor> backgrounds(const app::Form1 &form)
{
    QHash<QString, QColor> colours;
    colours.insert(QStringLiteral("Form1"), form.palette().color(QPalette::Window));
    for (const QWidget *control : std::initializer_list<const QWidget *>{form.Frame1, form.Frame2, form.Frame3,
                                                                         form.Option1, form.Option2})
        colours.insert(control->objectName(), control->palette().color(QPalette::Window));
    return colours;
}

QHash<QString, QColor> allOf(const QColor &colour)
{
    QHash<QString, QColor> colours;
    for (const char *name : {"Form1", "Frame1", "Frame2", "Frame3", "Option1", "Option2"})
        colours.insert(QLatin1String(name), colour);
    return colours;
}

QStringList componentSequence(const QString &skinFile, qint32 optionsAfter)
{
    return {QStringLiteral("LoadSkin(%1, \"\")").arg(skinFile), QStringLiteral("Options"),
            QStringLiteral("setOptions(%1)").arg(optionsAfter), QStringLiteral("setSwitch(5, true)"),
            QStringLiteral("setSwitch(10, true)"), QStringLiteral("ApplyWindow(Form1)")};
}

QString boxAtLine102(const QString &description)
{
    return description + QStringLiteral("\r\nin Vantorix2021/08/31.Form1.Form_Load at line 102\r\r"
                                        "Please email screenshot of this message to support@vantorix.example");
}

// Start-up went on past the skin step: title, columns and the scan.
void verifyStartUpWentOn(const app::Form1 &form)
{
    QCOMPARE(form.windowTitle(), QStringLiteral("Vantorix"));
    QCOMPARE(form.lsvProperties->columnCount(), 2);
    QCOMPARE(form.trvComputer->topLevelItemCount(), 1);
    QCOMPARE(form.trvComputer->topLevelItem(0)->text(0), QStringLiteral("PC"));
}

enum class Entry { None, File, Folder, LinkToFile, DanglingLink, LinkToFolder, NamedPipe };

} // namespace

class TestSkin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void skinLookup_data();
    void skinLookup();
    void coloursChangeBeforeTheLayerIsFirstCalled();
    void rejectedSkinFile_data();
    void rejectedSkinFile();
    void unreadableSkinFile();
    void startFromAnotherCurrentDirectory();
    void exampleSkinIsAcceptedWhole();
};

void TestSkin::initTestCase()
{
    // The colour checks below tell the skinned window from the plain one.
    QVERIFY(buttonFace() != QColor(Qt::white));
}

void TestSkin::skinLookup_data()
{
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<bool>("present");
    QTest::newRow("no skin file") << Entry::None << false;
    QTest::newRow("plain file") << Entry::File << true;
    QTest::newRow("folder named o.cjs") << Entry::Folder << false;
    QTest::newRow("link to a file") << Entry::LinkToFile << true;
    QTest::newRow("link to nothing") << Entry::DanglingLink << false;
    QTest::newRow("link to a folder") << Entry::LinkToFolder << false;
    // Opening a pipe for reading would wait for a writer forever.
    QTest::newRow("named pipe") << Entry::NamedPipe << false;
}

void TestSkin::skinLookup()
{
    QFETCH(Entry, entry);
    QFETCH(bool, present);
    FixtureTree program;
    FixtureTree elsewhere;
    elsewhere.file(QStringLiteral("sheet.qss"), ValidSheet).dir(QStringLiteral("folder"));
    switch (entry) {
    case Entry::None:
        program.dir(QStringLiteral("x"));
        break;
    case Entry::File:
        program.file(SkinPath, ValidSheet);
        break;
    case Entry::Folder:
        program.dir(SkinPath);
        break;
    case Entry::LinkToFile:
        program.link(SkinPath, elsewhere.path(QStringLiteral("sheet.qss")));
        break;
    case Entry::DanglingLink:
        program.link(SkinPath, elsewhere.path(QStringLiteral("gone.qss")));
        break;
    case Entry::LinkToFolder:
        program.link(SkinPath, elsewhere.path(QStringLiteral("folder")));
        break;
    case Entry::NamedPipe:
        program.dir(QStringLiteral("x"));
        QCOMPARE(::mkfifo(QFile::encodeName(program.path(SkinPath)).constData(), 0600), 0);
        break;
    }

    ShellWindow w(program.root());
    // The layer's own flags are kept: the window only adds flag 1.
    w.fakes.skin.real.setOptions(6);
    w.form->Form_Load();

    QVERIFY(w.fakes.messages.shown.empty());
    verifyStartUpWentOn(*w.form);
    if (present) {
        QCOMPARE(w.fakes.skin.calls, componentSequence(program.path(SkinPath), 7));
        QCOMPARE(backgrounds(*w.form), allOf(buttonFace()));
        QCOMPARE(w.form->styleSheet(), QString::fromUtf8(ValidSheet));
        w.form->PushButton2->ensurePolished();
        QCOMPARE(w.form->PushButton2->palette().color(QPalette::ButtonText), QColor(0x10, 0x20, 0x30));
    } else {
        QCOMPARE(w.fakes.skin.calls, QStringList());
        QCOMPARE(backgrounds(*w.form), allOf(Qt::white));
        QCOMPARE(w.form->styleSheet(), QString());
    }
    // Push buttons keep their own white face either way.
    QCOMPARE(w.form->PushButton4->palette().color(QPalette::Button), QColor(Qt::white));
}

void TestSkin::coloursChangeBeforeTheLayerIsFirstCalled()
{
    FixtureTree program;
    program.file(SkinPath, ValidSheet);
    ShellWindow w(program.root());
    std::optional<QHash<QString, QColor>> atFirstCall;
    w.fakes.skin.beforeCall = [&](const QString &) {
        if (!atFirstCall)
            atFirstCall = backgrounds(*w.form);
    };
    w.form->Form_Load();
    QVERIFY(atFirstCall);
    QCOMPARE(*atFirstCall, allOf(buttonFace()));
}

void TestSkin::rejectedSkinFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("unclosed rule") << QByteArray("QWidget { color: red;") << QStringLiteral("is not a valid style sheet");
    QTest::newRow("stray brace") << QByteArray("QWidget { color: red; } }") << QStringLiteral("is not a valid style sheet");
    QTest::newRow("not a sheet") << QByteArray("garbage !!! ###") << QStringLiteral("is not a valid style sheet");
    QTest::newRow("binary") << QByteArray("\xff\xfe\x00Q\x01", 5) << QStringLiteral("is not UTF-8 text");
    QTest::newRow("broken UTF-8") << QByteArray("QWidget { color: r\xe9" "d; }") << QStringLiteral("is not UTF-8 text");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("holds no style rules");
    QTest::newRow("comments only") << QByteArray(" /* a skin, some day */\n") << QStringLiteral("holds no style rules");
    QTest::newRow("too large") << QByteArray(app::QssSkin::MaxSkinFile + 1, ' ')
                               << QStringLiteral("is larger than 1048576 bytes");
}

void TestSkin::rejectedSkinFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, complaint);
    FixtureTree program;
    program.file(SkinPath, content);
    ShellWindow w(program.root());
    w.form->Form_Load();

    QCOMPARE(w.fakes.messages.texts(),
             QStringList{boxAtLine102(QStringLiteral("The skin file %1 %2").arg(program.path(SkinPath), complaint))});
    // The layer raised at the load: nothing after it ran, the colours stay.
    QCOMPARE(w.fakes.skin.calls, componentSequence(program.path(SkinPath), 1).mid(0, 1));
    QCOMPARE(w.form->styleSheet(), QString());
    QCOMPARE(backgrounds(*w.form), allOf(buttonFace()));
    verifyStartUpWentOn(*w.form);
}

void TestSkin::unreadableSkinFile()
{
    FixtureTree program;
    if (::geteuid() != 0) {
        program.file(SkinPath, ValidSheet);
        QVERIFY(QFile::setPermissions(program.path(SkinPath), QFileDevice::Permissions()));
    } else {
        // Root reads every ordinary file whatever its mode; a write-only
        // kernel attribute is a regular file that root cannot open for reading.
        // Opening one read-only never writes it.
        const QStringList writeOnly{QStringLiteral("/sys/bus/pci/rescan"), QStringLiteral("/sys/bus/pci/drivers_probe"),
                                    QStringLiteral("/sys/bus/platform/drivers_probe")};
        QString target;
        for (const QString &candidate : writeOnly) {
            QFile probe(candidate);
            if (QFileInfo(candidate).isFile() && !probe.open(QIODevice::ReadOnly)) {
                target = candidate;
                break;
            }
        }
        if (target.isEmpty())
            QSKIP("Running as root without a write-only kernel attribute to link to: root reads every file");
        program.link(SkinPath, target);
    }

    ShellWindow w(program.root());
    w.form->Form_Load();
    QCOMPARE(w.fakes.messages.shown.size(), std::size_t(1));
    const QString text = w.fakes.messages.shown[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("Cannot read the skin file %1: ").arg(program.path(SkinPath))), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("\r\nin Vantorix2021/08/31.Form1.Form_Load at line 102\r\r")));
    QCOMPARE(w.fakes.skin.calls.size(), 1);
    QCOMPARE(backgrounds(*w.form), allOf(buttonFace()));
    verifyStartUpWentOn(*w.form);
}

void TestSkin::startFromAnotherCurrentDirectory()
{
    FixtureTree program;
    program.file(SkinPath, ValidSheet).file(QStringLiteral("HAND-M.CUR"), testing::cursorFileBytes(3, 4));
    FixtureTree cwd;
    cwd.file(SkinPath, "QWidget { color: red; }").file(QStringLiteral("HAND-M.CUR"), "not a cursor");
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.root()));
    ShellWindow w(program.root());
    w.form->Form_Load();
    QDir::setCurrent(before);

    QVERIFY(w.fakes.messages.shown.empty());
    QCOMPARE(w.fakes.skin.calls.value(0), QStringLiteral("LoadSkin(%1, \"\")").arg(program.path(SkinPath)));
    QCOMPARE(w.form->styleSheet(), QString::fromUtf8(ValidSheet));
    QVERIFY(w.form->MouseIcon());
    QCOMPARE(w.form->MouseIcon()->hotSpot(), QPoint(3, 4));
}

void TestSkin::exampleSkinIsAcceptedWhole()
{
    // Every property of the shipped skin is one Qt knows: no warning at all.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    FixtureTree program;
    program.link(SkinPath, QStringLiteral(VANTORIX_EXAMPLE_SKIN));
    ShellWindow w(program.root());
    w.form->Form_Load();
    QVERIFY(w.fakes.messages.shown.empty());
    QCOMPARE(w.fakes.skin.calls.size(), 6);
    QVERIFY(!w.form->styleSheet().isEmpty());
    QVERIFY(!w.form->grab().isNull()); // paints every control with the sheet
}

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
