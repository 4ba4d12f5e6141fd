#pragma once

#include "QtProgressBar.h"
#include "RadioSaveOption.h"
#include "ReportSave.h"
#include "SkinLayer.h"
#include "TreeWidgetDeviceTree.h"
#include "TreeWidgetPropertyList.h"
#include "WindowServices.h"

#include "inventory/PropertyView.h"
#include "inventory/Scan.h"
#include "inventory/modGetDevices.h"

#include <QCursor>
#include <QWidget>

#include <functional>
#include <optional>

class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QMimeData;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace app {

// The main window. Its handlers keep the names the program is built around;
// each is a few steps that call into inventory/ and report/.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    struct Options
    {
        // Where the optional skin and cursor files are looked up: the
        // executable's folder, never the current directory.
        QString programFolder;
        // Reads the shown source afresh at the start of every scan (a file is
        // read again); its failure is the scan step's. Empty for a machine.
        std::function<void()> reread = {};
        // Shows a file dropped on the window from the next scan on; empty:
        // the window takes no drops.
        std::function<void(const QString &path)> openFile = {};
    };

    Form1(WindowServices services, inventory::Instrumentation instrumentation, Options options);
    ~Form1() override;

    // Handlers.
    void Form_Load();
    void Form_QueryUnload(int &cancel, int unloadMode);
    void Form_Unload(int &cancel);
    void PushButton1_Click();
    void trvComputer_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();

    // Mouse moves: the hand over the push buttons, the arrow over the window
    // surface, the frames and the property list; the hourglass always stays.
    // The arguments are those of the move and go unused.
    void PushButton1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void PushButton2_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void PushButton3_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void PushButton4_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void Form_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void Frame1_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void Frame2_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void Frame3_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);
    void lsvProperties_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers shift, qreal x, qreal y);

    // The window's pointer: 0 arrow, 11 hourglass, 99 the MouseIcon (a hand).
    static constexpr int PointerDefault = 0;
    static constexpr int PointerHourglass = 11;
    static constexpr int PointerCustom = 99;
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    const std::optional<QCursor> &MouseIcon() const { return m_mouseIcon; }

    const QString &programFolder() const { return m_options.programFolder; }
    inventory::DeviceTree &deviceTree() { return m_tree; }
    double logicalDpi() const;

    // Controls, by their designer names.
    QGroupBox *Frame1;
    QTreeWidget *trvComputer;
    QGroupBox *Frame2;
    QTreeWidget *lsvProperties;
    QGroupBox *Frame3;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QPushButton *PushButton1;
    QPushButton *PushButton2;
    QPushButton *PushButton3;
    QProgressBar *prbDetecting;
    QPushButton *PushButton4;
    SkinLayer &SkinFramework1;

    static const QString PropertyListToolTip;

    // The one local file a drop carries (Form1Drop.cpp); nothing for any
    // other drop. A dropped file is shown at once, unless a scan runs.
    static std::optional<QString> droppedFile(const QMimeData *data);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void placeControls();
    void addPropertyColumn(const QString &header);
    void connectMouseMoves();
    void hover(int pointer);
    void centreOnScreen();

    WindowServices m_services;
    inventory::modGetDevices m_devices;
    Options m_options;
    TreeWidgetDeviceTree m_tree;
    QtProgressBar m_bar;
    inventory::Scan m_scan;
    TreeWidgetPropertyList m_propertyList;
    inventory::PropertyView m_propertyView;
    RadioSaveOption m_saveOption;
    ReportSave m_save;
    int m_mousePointer = 0;
    std::optional<QCursor> m_mouseIcon;
    QObject *m_treeClicks = nullptr;
    bool m_shownOnce = false;
    bool m_awaitingFrame = false;
    QMargins m_centredWithMargins;
};

} // namespace app
