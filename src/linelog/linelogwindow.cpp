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

namespace linelog
{

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
        const QScrollBar *bar = m_table->verticalScrollBar();
        m_following = bar->value() == bar->maximum();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_following)
            m_table->scrollToBottom();
    });

    connect(m_player, &script::ScriptPlayer::canPlayChanged, m_playButton, &QWidget::setEnabled);
    connect(m_player, &script::ScriptPlayer::progress, this, [this](int index, int count) {
        m_scriptProgress->setRange(0, count);
        m_scriptProgress->setValue(index);
    });
    connect(m_player, &script::ScriptPlayer::printed, this, [this](const QString &line) {
        m_scriptLabel->setText(QStringLiteral("%1: %2").arg(m_playingName, line));
    });
    connect(m_player, &script::ScriptPlayer::finished, this, &LineLogWindow::scriptFinished);
    m_playButton->setEnabled(m_player->canPlay());
    showStatus();
}

void LineLogWindow::buildControls()
{
    m_showList = new QComboBox(this);
    m_showList->setObjectName(QStringLiteral("showList"));
    m_showList->addItems(
        {QStringLiteral("Sent and received"), QStringLiteral("Sent"), QStringLiteral("Received")});
    auto *showLabel = new QLabel(QStringLiteral("&Show"), this);
    showLabel->setBuddy(m_showList);
    m_pauseButton = button(this, QStringLiteral("pauseButton"), QStringLiteral("&Pause"));
    m_pauseButton->setCheckable(true);
    m_clearButton = button(this, QStringLiteral("clearButton"), QStringLiteral("C&lear"));
    m_findBox = new QLineEdit(this);
    m_findBox->setObjectName(QStringLiteral("findBox"));
    m_findBox->setPlaceholderText(QStringLiteral("Find (Ctrl+F)"));
    m_findBox->setAccessibleName(QStringLiteral("Find"));
    m_findBox->setClearButtonEnabled(true);
    m_findPreviousButton =
        button(this, QStringLiteral("findPreviousButton"), QStringLiteral("Pre&vious"));
    m_findNextButton = button(this, QStringLiteral("findNextButton"), QStringLiteral("&Next"));
    m_foundLabel = new QLabel(this);
    m_foundLabel->setObjectName(QStringLiteral("foundLabel"));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("logTable"));
    m_table->setAccessibleName(QStringLiteral("Line log entries"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    // Every row one line high, set once: the view never measures rows, however many.
    QHeaderView *rows = m_table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    rows->hide();
    QHeaderView *columns = m_table->horizontalHeader();
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    columns->resizeSection(LineLogModel::Time, digit * 11);
    columns->resizeSection(LineLogModel::Direction,
                           fontMetrics().horizontalAdvance(QStringLiteral("from module")) +
                               2 * digit);
    columns->resizeSection(LineLogModel::Bytes, digit * 36);
    columns->setStretchLastSection(true);

    m_copyButton = button(this, QStringLiteral("copyButton"), QStringLiteral("&Copy"));
    m_saveTextButton =
        button(this, QStringLiteral("saveTextButton"), QStringLiteral("Save as &Text..."));
    m_saveScriptButton =
        button(this, QStringLiteral("saveScriptButton"), QStringLiteral("Save as &Script..."));
    m_waitsBox = new QCheckBox(QStringLiteral("with &waits"), this);
    m_waitsBox->setObjectName(QStringLiteral("waitsBox"));
    m_waitsBox->setToolTip(QStringLiteral("Write the pauses between frames as wait lines"));
    m_waitsBox->setChecked(true);
    m_playButton = button(this, QStringLiteral("playButton"), QStringLiteral("Pl&ay Script..."));
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_scriptLabel = new QLabel(this);
    m_scriptLabel->setObjectName(QStringLiteral("scriptLabel"));
    m_scriptProgress = new QProgressBar(this);
    m_scriptProgress->setObjectName(QStringLiteral("scriptProgress"));
    m_scriptProgress->setAccessibleName(QStringLiteral("Script progress"));
    m_scriptProgress->hide();
    m_cancelButton = button(this, QStringLiteral("cancelButton"), QStringLiteral("Cancel"));
    m_cancelButton->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(showLabel);
    top->addWidget(m_showList);
    top->addWidget(m_pauseButton);
    top->addWidget(m_clearButton);
    top->addSpacing(digit * 2);
    top->addWidget(m_findBox, 1);
    top->addWidget(m_findPreviousButton);
    top->addWidget(m_findNextButton);
    top->addWidget(m_foundLabel);
    auto *files = new QHBoxLayout;
    files->addWidget(m_copyButton);
    files->addWidget(m_saveTextButton);
    files->addWidget(m_saveScriptButton);
    files->addWidget(m_waitsBox);
    files->addStretch(1);
    files->addWidget(m_playButton);
    files->addWidget(m_scriptProgress);
    files->addWidget(m_cancelButton);
    auto *status = new QHBoxLayout;
    status->addWidget(m_statusLabel, 1);
    status->addWidget(m_scriptLabel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(files);
    layout->addLayout(status);

    connect(m_showList, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_model->setFilter(LineLogFilter(std::clamp(index, 0, 2))); });
    connect(m_pauseButton, &QPushButton::toggled, this, [this](bool paused) {
        m_pauseButton->setText(paused ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
        m_model->setPaused(paused);
    });
    connect(m_clearButton, &QPushButton::clicked, m_model, &LineLogModel::clearLog);
    connect(m_findNextButton, &QPushButton::clicked, this, [this] { find(true); });
    connect(m_findPreviousButton, &QPushButton::clicked, this, [this] { find(false); });
    connect(m_findBox, &QLineEdit::returnPressed, this, [this] { find(true); });
    connect(m_findBox, &QLineEdit::textChanged, m_foundLabel, &QLabel::clear);
    auto *findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] {
        m_findBox->setFocus();
        m_findBox->selectAll();
    });
    // Before the view's own Ctrl+C, which would copy one cell.
    auto *copy = new QAction(m_table);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    m_table->addAction(copy);
    connect(copy, &QAction::triggered, this, &LineLogWindow::copySelection);
    connect(m_copyButton, &QPushButton::clicked, this, &LineLogWindow::copySelection);

    connect(m_saveTextButton, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("SaveTextDialog"), QStringLiteral("Save the Line Log as Text"),
                   QStringLiteral("Text files (*.txt);;All files (*)"), true,
                   [this](const QString &path) { saveText(path); });
    });
    connect(m_saveScriptButton, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("SaveScriptDialog"),
                   QStringLiteral("Save the Frames Sent as a Script"),
                   QStringLiteral("Scripts (*.vtl);;All files (*)"), true,
                   [this](const QString &path) { saveScript(path); });
    });
    connect(m_playButton, &QPushButton::clicked, this, [this] {
        askForFile(QStringLiteral("PlayScriptDialog"), QStringLiteral("Play a Script"),
                   QStringLiteral("Scripts (*.vtl);;All files (*)"), false,
                   [this](const QString &path) { playScript(path); });
    });
    connect(m_cancelButton, &QPushButton::clicked, m_player, &script::ScriptPlayer::cancel);
}

void LineLogWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_model->setLive(true);
    m_table->scrollToBottom();
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
    m_statusLabel->setText(text);
}

void LineLogWindow::find(bool forward)
{
    m_model->sync(); // rows and the log's places agree only right after a sync
    const QModelIndex current = m_table->currentIndex();
    const auto row =
        m_model->log().find(m_model->filter(), m_findBox->text(),
                            current.isValid() ? current.row() : -1, forward, m_model->rowCount());
    if (!row) {
        m_foundLabel->setText(m_findBox->text().isEmpty() ? QString()
                                                          : QStringLiteral("Not found"));
        return;
    }
    m_foundLabel->clear();
    const QModelIndex found = m_model->index(*row, 0);
    m_table->selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
    m_table->scrollTo(found);
}

void LineLogWindow::copySelection()
{
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
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
    text += script::framesToScript(log.sentFrames(), m_waitsBox->isChecked());
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
    m_scriptLabel->setText(QStringLiteral("Playing %1").arg(m_playingName));
    m_scriptProgress->show();
    m_cancelButton->show();
}

void LineLogWindow::scriptFinished(bool completed, const QString &problem)
{
    m_scriptProgress->hide();
    m_cancelButton->hide();
    m_scriptLabel->setText(completed
                               ? QStringLiteral("%1 played").arg(m_playingName)
                               : QStringLiteral("%1 stopped: %2").arg(m_playingName, problem));
}

} // namespace linelog
