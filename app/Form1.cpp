#include "Form1.h"

#include "CursorFile.h"
#include "ErrorTrap.h"
#include "FrameStyle.h"
#include "FormLayout.h"
#include "MainModule.h"
#include "TreeClickFilter.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <QWindow>

// The window's pictures live in this static library; nothing references them
// by symbol, so the linker would drop them without this registration.
static void registerWindowResources()
{
    Q_INIT_RESOURCE(app);
}

namespace app {

const QString Form1::PropertyListToolTip
    = QStringLiteral("Move | line to right and out of window to reveal full names.");

namespace {
QFont windowFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont buttonFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget *widget)
{
    Main::setBackColor(*widget, Qt::white);
}

// One style for the frames of every window, living as long as the
// application: a skin's style sheet keeps it as the frames' base style until
// the last frame is gone, which is after the window's own members.
QStyle *frameStyle()
{
    static QPointer<FrameStyle> style;
    if (!style) {
        style = new FrameStyle;
        style->setParent(QCoreApplication::instance());
    }
    return style;
}
} // namespace

Form1::Form1(WindowServices services, inventory::Instrumentation instrumentation, Options options)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , Frame1(new QGroupBox(this))
    , trvComputer(new QTreeWidget(Frame1))
    , Frame2(new QGroupBox(this))
    , lsvProperties(new QTreeWidget(Frame2))
    , Frame3(new QGroupBox(this))
    , Option1(new QRadioButton(Frame3))
    , Option2(new QRadioButton(Frame3))
    , PushButton1(new QPushButton(Frame1))
    , PushButton2(new QPushButton(this))
    , PushButton3(new QPushButton(this))
    , prbDetecting(new QProgressBar(this))
    , PushButton4(new QPushButton(this))
    , SkinFramework1(services.skin)
    , m_services(services)
    , m_devices(std::move(instrumentation), services.pump)
    , m_options(std::move(options))
    , m_tree(trvComputer)
    , m_bar(prbDetecting)
    , m_scan({m_tree, m_bar, services.pump, m_devices, [this] { show(); }, [this] {
                  if (m_options.reread)
                      m_options.reread();
              }})
    , m_propertyList(lsvProperties)
    , m_propertyView({m_tree, m_propertyList, [this](const QString &caption) { Frame2->setTitle(caption); }, m_devices})
    , m_saveOption(Option1, Option2)
    , m_save({services.messages, services.saveDialog, report::ReportWalk({m_tree, m_bar, services.pump, m_devices, m_saveOption}),
              m_bar, [this](int pointer) { setMousePointer(pointer); }})
{
    registerWindowResources();
    createControls();
    placeControls();
    connectMouseMoves();
    connect(PushButton4, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    // The tree's click event comes for every click in it, on a node or on
    // blank space below the last one.
    m_treeClicks = new TreeClickFilter(trvComputer, [this] { trvComputer_Click(); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    setAcceptDrops(bool(m_options.openFile));
}

Form1::~Form1() = default;

void Form1::createControls()
{
    setObjectName(QStringLiteral("Form1"));
    setFont(windowFont());
    paintWhite(this);

    Frame1->setTitle(QStringLiteral("Device List"));
    Frame2->setTitle(QStringLiteral("Device properties:"));
    Frame3->setTitle(QStringLiteral("Save Options"));
    for (QGroupBox *frame : {Frame1, Frame2, Frame3}) {
        paintWhite(frame);
        frame->setStyle(frameStyle());
    }

    trvComputer->setHeaderHidden(true);
    trvComputer->setColumnCount(1);
    trvComputer->setSelectionMode(QAbstractItemView::SingleSelection);

    lsvProperties->setColumnCount(0);
    lsvProperties->setRootIsDecorated(false);
    lsvProperties->setItemsExpandable(false);
    lsvProperties->setSelectionBehavior(QAbstractItemView::SelectRows);
    lsvProperties->setFont(windowFont());
    lsvProperties->setToolTip(PropertyListToolTip);
    lsvProperties->header()->setStretchLastSection(false);

    Option1->setText(QStringLiteral("Save Device List"));
    Option2->setText(QStringLiteral("Save Device List and Device Properties"));
    Option1->setChecked(true);
    paintWhite(Option1);
    paintWhite(Option2);

    PushButton1->setText(QStringLiteral("Refresh Hardware List"));
    PushButton2->setText(QStringLiteral("Save Results As HTML Table"));
    PushButton3->setText(QStringLiteral("Save Results As Text File "));
    PushButton4->setText(QStringLiteral("Help"));
    for (QPushButton *button : {PushButton1, PushButton2, PushButton3, PushButton4}) {
        button->setFont(buttonFont());
        paintWhite(button);
        button->setAutoDefault(false);
    }

    prbDetecting->setRange(0, 100);
    prbDetecting->setValue(0);
    prbDetecting->setTextVisible(false);
    prbDetecting->setFocusPolicy(Qt::NoFocus);
    for (QGroupBox *frame : {Frame1, Frame2, Frame3})
        frame->setFocusPolicy(Qt::NoFocus);

    QWidget *const order[] = {trvComputer, lsvProperties, Option1,     Option2,
                              PushButton1, PushButton2,   PushButton3, PushButton4};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    Frame1->setObjectName(QStringLiteral("Frame1"));
    trvComputer->setObjectName(QStringLiteral("trvComputer"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    lsvProperties->setObjectName(QStringLiteral("lsvProperties"));
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2->setObjectName(QStringLiteral("Option2"));
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton2->setObjectName(QStringLiteral("PushButton2"));
    PushButton3->setObjectName(QStringLiteral("PushButton3"));
    prbDetecting->setObjectName(QStringLiteral("prbDetecting"));
    PushButton4->setObjectName(QStringLiteral("PushButton4"));
}

double Form1::logicalDpi() const
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}

void Form1::placeControls()
{
    const double dpi = logicalDpi();
    for (const ControlPlacement &placement : FormLayout::controls()) {
        if (QWidget *control = findChild<QWidget *>(placement.name))
            control->setGeometry(FormLayout::pixels(placement, dpi));
    }
    setFixedSize(FormLayout::pixels(FormLayout::ClientWidth, dpi), FormLayout::pixels(FormLayout::ClientHeight, dpi));
    centreOnScreen();
}

// The whole window, title bar and borders included, sits in the middle of
// the screen. Its frame is known only once the window system has one for it.
void Form1::centreOnScreen()
{
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    move(FormLayout::centredFrameOrigin(size().grownBy(margins), s->availableGeometry()));
    m_centredWithMargins = margins;
}

bool Form1::event(QEvent *event)
{
    // A window manager puts its frame around the window only when it is
    // mapped: centre again once, with the frame it really has.
    if (event->type() == QEvent::Paint && m_awaitingFrame) {
        m_awaitingFrame = false;
        if (windowHandle() && windowHandle()->frameMargins() != m_centredWithMargins)
            centreOnScreen();
    }
    return QWidget::event(event);
}

void Form1::showEvent(QShowEvent *event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_awaitingFrame = true;
        centreOnScreen();
    }
    QWidget::showEvent(event);
}

void Form1::addPropertyColumn(const QString &header)
{
    const int column = lsvProperties->columnCount();
    lsvProperties->setColumnCount(column + 1);
    lsvProperties->headerItem()->setText(column, header);
}

void Form1::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    switch (pointer) {
    case PointerHourglass:
        setCursor(Qt::WaitCursor);
        break;
    case PointerCustom:
        setCursor(m_mouseIcon ? *m_mouseIcon : QCursor(Qt::PointingHandCursor));
        break;
    case PointerDefault:
    default:
        unsetCursor();
        break;
    }
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("Form_Load"));
    inventory::StepRunner &steps = trap.steps();
    steps.step(102, [&] { Main::ApplySkin(*this); });
    steps.step(104, [&] { setWindowTitle(Main::ProductName); });
    steps.step(104, [&] { setWindowIcon(QIcon(QStringLiteral(":/vantorix/vantorix.png"))); });
    steps.step(104, [&] { Main::SetAppTitle(); });
    const QString cursorFile = m_options.programFolder + QStringLiteral("/HAND-M.CUR");
    if (steps.test(106, [&] { return Main::FileExists(cursorFile); }))
        steps.step(108, [&] { m_mouseIcon = loadCursorFile(cursorFile); });
    steps.step(128, [&] { addPropertyColumn(QStringLiteral("Property")); });
    steps.step(130, [&] { addPropertyColumn(QStringLiteral(" Value")); });
    const int columnWidth = FormLayout::pixels(FormLayout::PropertyColumnWidth, logicalDpi());
    steps.step(132, [&] { lsvProperties->setColumnWidth(0, columnWidth); });
    steps.step(134, [&] { lsvProperties->setColumnWidth(1, columnWidth); });
    steps.step(136, [&] { PushButton1_Click(); });
}

void Form1::Form_QueryUnload(int &cancel, int unloadMode)
{
    Q_UNUSED(cancel);
    Q_UNUSED(unloadMode);
    ErrorTrap trap(m_services.messages, QStringLiteral("Form_QueryUnload"));
    trap.steps().step(100, [&] { m_services.pump.pump(); });
}

void Form1::Form_Unload(int &cancel)
{
    Q_UNUSED(cancel);
    m_services.programEnd.end();
}

void Form1::PushButton1_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("PushButton1_Click"));
    m_scan.run(trap.steps());
}

void Form1::trvComputer_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("trvComputer_Click"));
    m_propertyView.show(trap.steps());
}

void Form1::PushButton2_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("PushButton2_Click"));
    m_save.run(trap.steps(), ReportSave::htmlReport());
}

void Form1::PushButton3_Click()
{
    ErrorTrap trap(m_services.messages, QStringLiteral("PushButton3_Click"));
    m_save.run(trap.steps(), ReportSave::textReport());
}

void Form1::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (cancel) {
        event->ignore();
        return;
    }
    Form_Unload(cancel);
    event->accept();
}

} // namespace app
