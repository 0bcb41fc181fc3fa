#include "linelog/linelogwindow.h"

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "linelog/linelogmodel.h"
#include "record/linelogrecorder.h"
#include "script/scriptplayer.h"
#include "script/scriptwriter.h"
#include "widgets/controls.h"

using record::LineLog;
using record::LineLogFilter;

namespace
{

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

QByteArray joinedLines(const QStringList &lines)
{
    return lines.isEmpty() ? QByteArray() : (lines.join(u'\n') + u'\n').toUtf8();
}

} // namespace

LineLogWindow::LineLogWindow(const LineLogSources &sources, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmLineLog"));
    setWindowTitle(QStringLiteral("Line Log"));
    // The main window is the application: closing it ends the program, log or no log.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_model = new LineLogModel(sources.recorder, this);
    m_player = new script::ScriptPlayer(sources.port, sources.tx, sources.replies, sources.pacing,
                                        sources.settingsPath, this);
    buildControls();
    resize(860, 480);

    connect(m_model, &LineLogModel::synced, this, &LineLogWindow::showStatus);
    // The newest row stays in sight while the view shows it; a user who scrolled up to read
    // keeps their place.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar *bar = tblLog->verticalScrollBar();
        m_following = bar->value() == bar->maximum();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_following)
            tblLog->scrollToBottom();
    });

    connect(m_player, &script::ScriptPlayer::canPlayChanged, cmdPlay, &QWidget::setEnabled);
    connect(m_player, &script::ScriptPlayer::progress, this, [this](int index, int count) {
        prgScript->setRange(0, count);
        prgScript->setValue(index);
    });
    connect(m_player, &script::ScriptPlayer::printed, this, [this](const QString &line) {
        lblScript->setText(QStringLiteral("%1: %2").arg(m_playingName, line));
    });
    connect(m_player, &script::ScriptPlayer::finished, this, &LineLogWindow::scriptFinished);
    cmdPlay->setEnabled(m_player->canPlay());
    showStatus();
}

void LineLogWindow::buildControls()
{
    cboShow = new QComboBox(this);
    cboShow->setObjectName(QStringLiteral("cboShow"));
    cboShow->addItems(
        {QStringLiteral("Sent and received"), QStringLiteral("Sent"), QStringLiteral("Received")});
    auto *showLabel = new QLabel(QStringLiteral("&Show"), this);
    showLabel->setBuddy(cboShow);
    cmdPause = button(this, QStringLiteral("cmdPause"), QStringLiteral("&Pause"));
    cmdPause->setCheckable(true);
    cmdClear = button(this, QStringLiteral("cmdClear"), QStringLiteral("C&lear"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    txtFind->setAccessibleName(QStringLiteral("Find"));
    txtFind->setClearButtonEnabled(true);
    cmdFindPrevious = button(this, QStringLiteral("cmdFindPrevious"), QStringLiteral("Pre&vious"));
    cmdFindNext = button(this, QStringLiteral("cmdFindNext"), QStringLiteral("&Next"));
    lblFound = new QLabel(this);
    lblFound->setObjectName(QStringLiteral("lblFound"));

    tblLog = new QTableView(this);
    tblLog->setObjectName(QStringLiteral("tblLog"));
    tblLog->setAccessibleName(QStringLiteral("Line log entries"));
    tblLog->setModel(m_model);
    tblLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblLog->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblLog->setWordWrap(false);
    tblLog->setShowGrid(false);
    tblLog->setAlternatingRowColors(true);
    // Every row one line high, set once: the view never measures rows, however many.
    QHeaderView *rows = tblLog->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    rows->hide();
    QHeaderView *columns = tblLog->horizontalHeader();
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    columns->resizeSection(LineLogModel::Time, digit * 11);
    columns->resizeSection(LineLogModel::Direction,
                           fontMetrics().horizontalAdvance(QStringLiteral("from module")) +
                               2 * digit);
    columns->resizeSection(LineLogModel::Bytes, digit * 36);
    columns->setStretchLastSection(true);

    cmdCopy = button(this, QStringLiteral("cmdCopy"), QStringLiteral("&Copy"));
    cmdSaveText = button(this, QStringLiteral("cmdSaveText"), QStringLiteral("Save as &Text..."));
    cmdSaveScript =
        button(this, QStringLiteral("cmdSaveScript"), QStringLiteral("Save as &Script..."));
    chkWaits = new QCheckBox(QStringLiteral("with &waits"), this);
    chkWaits->setObjectName(QStringLiteral("chkWaits"));
    chkWaits->setToolTip(QStringLiteral("Write the pauses between frames as wait lines"));
    chkWaits->setChecked(true);
    cmdPlay = button(this, QStringLiteral("cmdPlay"), QStringLiteral("Pl&ay Script..."));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblScript = new QLabel(this);
    lblScript->setObjectName(QStringLiteral("lblScript"));
    prgScript = new QProgressBar(this);
    prgScript->setObjectName(QStringLiteral("prgScript"));
    prgScript->setAccessibleName(QStringLiteral("Script progress"));
    prgScript->hide();
    cmdCancel = button(this, QStringLiteral("cmdCancel"), QStringLiteral("Cancel"));
    cmdCancel->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(showLabel);
    top->addWidget(cboShow);
    top->addWidget(cmdPause);
    top->addWidget(cmdClear);
    top->addSpacing(digit * 2);
    top->addWidget(txtFind, 1);
    top->addWidget(cmdFindPrevious);
    top->addWidget(cmdFindNext);
    top->addWidget(lblFound);
    auto *files = new QHBoxLayout;
    files->addWidget(cmdCopy);
    files->addWidget(cmdSaveText);
    files->addWidget(cmdSaveScript);
    files->addWidget(chkWaits);
    files->addStretch(1);
    files->addWidget(cmdPlay);
    files->addWidget(prgScript);
    files->addWidget(cmdCancel);
    auto *status = new QHBoxLayout;
    status->addWidget(lblStatus, 1);
    status->addWidget(lblScript);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(tblLog, 1);
    layout->addLayout(files);
    layout->addLayout(status);

    connect(cboShow, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_model->setFilter(LineLogFilter(std::clamp(index, 0, 2))); });
    connect(cmdPause, &QPushButton::toggled, this, [this](bool paused) {
        cmdPause->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
        m_model->setPaused(paused);
    });
    connect(cmdClear, &QPushButton::clicked, m_model, &LineLogModel::clearLog);
    connect(cmdFindNext, &QPushButton::clicked, this, [this] { find(true); });
    connect(cmdFindPrevious, &QPushButton::clicked, this, [this] { find(false); });
    connect(txtFind, &QLineEdit::returnPressed, this, [this] { find(true); });
    connect(txtFind, &QLineEdit::textChanged, lblFound, &QLabel::clear);
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        txtFind->setFocus();
        txtFind->selectAll();
    });
    // Before the view's own Ctrl+C, which would copy one cell.
    auto *copy = new QAction(tblLog);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    tblLog->addAction(copy);
    connect(copy, &QAction::triggered, this, &LineLogWindow::copySelection);
    connect(cmdCopy, &QPushButton::clicked, this, &LineLogWindow::copySelection);

    connect(cmdSaveText, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("SaveTextDialog"), QStringLiteral("Save the Line Log as Text"),
                   QStringLiteral("Text files (*.txt);;All files (*)"), true,
                   [this](const QString &path) { saveText(path); });
    });
    connect(cmdSaveScript, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("SaveScriptDialog"),
                   QStringLiteral("Save the Frames Sent as a Script"),
                   QStringLiteral("Scripts (*.vtl);;All files (*)"), true,
                   [this](const QString &path) { saveScript(path); });
    });
    connect(cmdPlay, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("PlayScriptDialog"), QStringLiteral("Play a Script"),
                   QStringLiteral("Scripts (*.vtl);;All files (*)"), false,
                   [this](const QString &path) { playScript(path); });
    });
    connect(cmdCancel, &QPushButton::clicked, m_player, &script::ScriptPlayer::cancel);
}

void LineLogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_model->setLive(true);
    tblLog->scrollToBottom();
}

void LineLogWindow::hideEvent(QHideEvent *event)
{
    m_model->setLive(false);
    QWidget::hideEvent(event);
}

void LineLogWindow::closeEvent(QCloseEvent *event)
{
    if (m_player->playing())
        m_player->cancel();
    QWidget::closeEvent(event);
}

void LineLogWindow::showStatus()
{
    const LineLog &log = m_model->log();
    QString text = QStringLiteral("%1 entries").arg(log.count(LineLogFilter::Both));
    if (log.dropped() > 0)
        text += QStringLiteral("; %1 older ones dropped (the log keeps the newest %2)")
                    .arg(log.dropped())
                    .arg(LineLog::kCapacity);
    if (m_model->paused())
        text += QStringLiteral("; paused: %1 new entries not shown").arg(m_model->unshown());
    lblStatus->setText(text);
}

void LineLogWindow::find(bool forward)
{
    m_model->sync(); // rows and the log's places agree only right after a sync
    const QModelIndex current = tblLog->currentIndex();
    const auto row =
        m_model->log().find(m_model->filter(), txtFind->text(),
                            current.isValid() ? current.row() : -1, forward, m_model->rowCount());
    if (!row) {
        lblFound->setText(txtFind->text().isEmpty() ? QString() : QStringLiteral("Not found"));
        return;
    }
    lblFound->clear();
    const QModelIndex found = m_model->index(*row, 0);
    tblLog->selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    tblLog->scrollTo(found);
}

void LineLogWindow::copySelection()
{
    QModelIndexList rows = tblLog->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex &index : rows) {
        if (const record::LineLogEntry *entry = m_model->entry(index.row()))
            lines << LineLog::line(*entry);
    }
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(QString::fromUtf8(joinedLines(lines)));
}

void LineLogWindow::askForFile(const QString &name, const QString &caption, const QString &filter,
                               bool save, std::function<void(const QString &)> then)
{
    auto *dialog = new QFileDialog(this, caption, QString(), filter);
    dialog->setObjectName(name);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The toolkit's own dialog, the same everywhere, which does not block the window.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog->setDefaultSuffix(filter.contains(QLatin1String("*.vtl")) ? QStringLiteral("vtl")
                                                                         : QStringLiteral("txt"));
    connect(dialog, &QFileDialog::fileSelected, this, std::move(then));
    dialog->open();
}

bool LineLogWindow::write(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit())
        return true;
    controls::openMessage(this,
                          QStringLiteral("Could not save %1: %2").arg(path, file.errorString()),
                          QStringLiteral("SaveFailedBox"));
    return false;
}

bool LineLogWindow::saveText(const QString &path)
{
    QStringList lines;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (const record::LineLogEntry *entry = m_model->entry(row))
            lines << LineLog::line(*entry);
    }
    return write(path, joinedLines(lines));
}

bool LineLogWindow::saveScript(const QString &path)
{
    const LineLog &log = m_model->log();
    QString text = QStringLiteral("# The frames VantelApp sent, from its line log.\n");
    if (log.dropped() > 0)
        text += QStringLiteral("# The log had dropped its %1 oldest entries: frames sent before "
                               "them are missing.\n")
                    .arg(log.dropped());
    text += script::framesToScript(log.sentFrames(), chkWaits->isChecked());
    return write(path, text.toUtf8());
}

void LineLogWindow::playScript(const QString &path)
{
    m_playingName = QFileInfo(path).fileName();
    const QString refused = m_player->play(path);
    if (!refused.isEmpty()) {
        controls::openMessage(this, QStringLiteral("The script was not played: %1").arg(refused),
                              QStringLiteral("ScriptRefusedBox"));
        return;
    }
    if (!m_player->playing()) // over already: nothing in it waits
        return;
    lblScript->setText(QStringLiteral("Playing %1").arg(m_playingName));
    prgScript->show();
    cmdCancel->show();
}

void LineLogWindow::scriptFinished(bool completed, const QString &problem)
{
    prgScript->hide();
    cmdCancel->hide();
    lblScript->setText(completed ? QStringLiteral("%1 played").arg(m_playingName)
                                 : QStringLiteral("%1 stopped: %2").arg(m_playingName, problem));
}
