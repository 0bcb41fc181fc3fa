#include "window/modulewindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "keymap.h"
#include "screenrenderer.h"
#include "simulator.h"
#include "window/displayview.h"
#include "window/glass.h"
#include "window/outsideworldpanel.h"

namespace simtool
{

ModuleWindow::ModuleWindow(Simulator *simulator, QWidget *parent)
    : QMainWindow(parent), m_simulator(simulator)
{
    setObjectName(QStringLiteral("moduleWindow"));
    const QString link = simulator->port().linkPath();
    setWindowTitle(QStringLiteral("vantel-sim: virtual display module") +
                   (link.isEmpty() ? QString() : QStringLiteral(" on ") + link));

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    m_display = new DisplayView(&simulator->model());
    layout->addWidget(m_display, 0, Qt::AlignHCenter);
    m_state = new QLabel;
    m_state->setObjectName(QStringLiteral("moduleState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);
    m_outside = new OutsideWorldPanel(simulator);
    layout->addWidget(m_outside);
    m_log = new QPlainTextEdit;
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setAccessibleName(QStringLiteral("Frame log"));
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(kLogKept);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_log->setMinimumHeight(m_log->fontMetrics().lineSpacing() * 8);
    layout->addWidget(m_log, 1);
    setCentralWidget(central);
    makeMenus();

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &ModuleWindow::refresh);
    connect(simulator, &Simulator::changed, this, &ModuleWindow::scheduleRefresh);
    connect(simulator, &Simulator::logged, this, &ModuleWindow::addLogLine);
    connect(simulator, &Simulator::quitRequested, this, &QWidget::close);
    qApp->installEventFilter(this);
    refresh();
}

ModuleWindow::~ModuleWindow()
{
    qApp->removeEventFilter(this);
}

void ModuleWindow::makeMenus()
{
    QMenu *module = menuBar()->addMenu(QStringLiteral("&Module"));
    const auto actionFor = [this](char key) { return [this, key] { m_simulator->press(key); }; };
    module->addAction(QStringLiteral("Send &status (s)"), this, actionFor('s'));
    module->addAction(QStringLiteral("&Power cycle (r)"), this, actionFor('r'));
    module->addAction(QStringLiteral("P&rint the screen in the log (p)"), this, actionFor('p'));
    module->addAction(QStringLiteral("Release all &keys (space)"), this, actionFor(' '));
    module->addSeparator();
    module->addAction(QStringLiteral("&Quit (q)"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *display = menuBar()->addMenu(QStringLiteral("&Display"));
    QAction *zoomIn = display->addAction(QStringLiteral("Zoom &in"), this,
                                         [this] { setScale(m_display->scale() + 1); });
    // Ctrl+= as well: on most keyboards + needs Shift.
    zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    display->addAction(QStringLiteral("Zoom &out"), QKeySequence::ZoomOut, this,
                       [this] { setScale(m_display->scale() - 1); });
    display->addSeparator();
    display->addAction(QStringLiteral("&Copy display as picture"),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), this,
                       &ModuleWindow::copyDisplay);
    display->addAction(QStringLiteral("&Save display as PNG..."), QKeySequence::Save, this,
                       &ModuleWindow::askAndSave);
}

int ModuleWindow::defaultScale()
{
    // The utility's window, and this one at zoom 2 with its margins and frame, side by side.
    constexpr int kUtilityRoom = 740;
    constexpr int kMargins = 40;
    const int roomForZoom2 = kUtilityRoom + GlassGeometry(2).size().width() + kMargins;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen && screen->availableGeometry().width() >= roomForZoom2 ? 2 : 1;
}

void ModuleWindow::setScale(int scale)
{
    m_display->setScale(scale);
    m_outside->fitWithin(m_display->width());
    if (!isMaximized() && !isFullScreen())
        adjustSize();
}

void ModuleWindow::copyDisplay() const
{
    QGuiApplication::clipboard()->setImage(m_display->picture());
}

bool ModuleWindow::saveDisplay(const QString &path) const
{
    return m_display->picture().save(path, "PNG");
}

void ModuleWindow::askAndSave()
{
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save display as PNG"),
        QDir::home().filePath(QStringLiteral("display.png")), QStringLiteral("PNG (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (!saveDisplay(path))
        QMessageBox::warning(this, QStringLiteral("Save display as PNG"),
                             QStringLiteral("The picture could not be written to %1.").arg(path));
}

void ModuleWindow::scheduleRefresh()
{
    if (!m_refreshTimer.isActive())
        m_refreshTimer.start();
}

void ModuleWindow::refresh()
{
    flushLog();
    m_display->refresh();
    const sim::ModuleModel &model = m_simulator->model();
    const sim::ModuleSettings &settings = model.settings();
    m_state->setText(
        QStringLiteral("Backlight %1, level %2   Cursor %3 at row %4, column %5   Slots: %6")
            .arg(settings.backlightOn ? QStringLiteral("on") : QStringLiteral("off"))
            .arg(settings.backlightLevel)
            .arg(cursorName(settings.cursorType))
            .arg(model.display().cursorRow())
            .arg(model.display().cursorColumn())
            .arg(glyphSetName(model.glyphSet())));
    m_outside->sync();
}

void ModuleWindow::addLogLine(const QString &line)
{
    m_pendingLog << line;
    // A flood keeps only what the log would keep anyway.
    if (m_pendingLog.size() > kLogKept)
        m_pendingLog.remove(0, m_pendingLog.size() - kLogKept);
    scheduleRefresh();
}

void ModuleWindow::flushLog()
{
    if (m_pendingLog.isEmpty())
        return;
    m_log->appendPlainText(m_pendingLog.join(QLatin1Char('\n')));
    m_pendingLog.clear();
}

bool ModuleWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != this)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // Shortcuts with Ctrl or Alt belong to the menus; Shift makes + and the capitals.
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    return takeKey(key->text(), event->type() == QEvent::KeyPress, key->isAutoRepeat());
}

bool ModuleWindow::takeKey(const QString &text, bool press, bool repeat)
{
    if (text.size() != 1 || text.at(0).unicode() > 0x7F)
        return false;
    const auto action = actionForKey(text.at(0).toLatin1());
    if (!action)
        return false;
    using Kind = KeyAction::Kind;
    if (action->kind == Kind::ToggleKey) {
        // Held while the key is down; the key's own repeats change nothing.
        if (!repeat) {
            m_heldFromKeyboard[static_cast<std::size_t>(action->index - 1)] = press;
            m_simulator->setKey(action->index, press);
        }
        return true;
    }
    // Other keys act once per press; only the analog steps repeat while held.
    if (press && (!repeat || action->kind == Kind::AdjustAnalog)) {
        if (action->kind == Kind::ReleaseKeys)
            m_heldFromKeyboard.fill(false);
        m_simulator->act(*action);
    }
    return true;
}

void ModuleWindow::changeEvent(QEvent *event)
{
    // A key held when the window loses the keyboard would never see its release.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        releaseKeyboardKeys();
    QMainWindow::changeEvent(event);
}

void ModuleWindow::releaseKeyboardKeys()
{
    for (int key = 1; key <= sim::kKeypadKeys; ++key) {
        if (m_heldFromKeyboard[static_cast<std::size_t>(key - 1)])
            m_simulator->setKey(key, false);
    }
    m_heldFromKeyboard.fill(false);
}

} // namespace simtool
