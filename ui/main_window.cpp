#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/application.h"
#include "app/data_grid_cells.h"
#include "app/job.h"
#include "results/results_grid_cells.h"
#include "ui/about_dialog.h"
#include "ui/reference_database_dialog.h"
#include "base/data_files.h"
#include "ui/help_command.h"
#include "ui/help_section.h"
#include "ui/job_form.h"
#include "ui/commands/view_commands.h"
#include "ui/job_frame.h"
#include "ui/view_frame.h"
#include "ui/qt_user_interaction.h"
#include "ui/screen_fit.h"
#include "ui/ui_resources.h"
#include "ui/wheel_guard.h"

const char* const MainWindow::kCaption = "TORVENII - Veldrasma";

namespace {

// The main window's size on a first start, where the screen has room for it.
const QSize kFirstSize(1000, 720);

// The job frame a child window belongs to: the job form's own frame, or the frame of the
// job a data or results window shows; nullptr for a master taxon list.
JobFrame* jobFrameOf(QMdiSubWindow* window)
{
    if (auto* jobFrame = qobject_cast<JobFrame*>(window))
        return jobFrame;
    if (auto* gridFrame = qobject_cast<ViewFrame*>(window))
        return gridFrame->jobFrame();
    return nullptr;
}

// Why there is no master taxon list: the reference database it comes from, named by the
// connection the start-up tried, could not be read.
std::string MissingTaxonListDetail(const std::string& connectionString)
{
    static const std::string kSource = "Data Source=";
    const std::size_t at = connectionString.find(kSource);
    const std::string database =
        at == std::string::npos ? std::string("TORVENII.mdb") : connectionString.substr(at + kSource.size());
    return "The master taxon list comes from the reference database, which could not be read when the program "
           "started: " + database + ". Put the database in place and start the program again.";
}

QAction* makeAction(QObject* parent, const QString& text, const QString& statusTip, const QIcon& icon = QIcon())
{
    auto* action = new QAction(icon, text, parent);
    action->setStatusTip(statusTip);
    return action;
}

}  // namespace

MainWindow::MainWindow(Application& app, UserInteraction& ui, HelpCommand& help, QWidget* parent)
    : QMainWindow(parent), app_(app), ui_(ui), help_(help), mdiArea_(new QMdiArea(this))
{
    LoadUiResources();
    // Every dialog and window of the program opens within the screen.
    qApp->installEventFilter(new ScreenFitFilter(this));
    // A wheel passing over a combo or spin box changes nothing (see wheel_guard.h).
    WheelGuard::install();
    // F1 in a dialog opens the help at the dialog's own section (see help_section.h).
    qApp->installEventFilter(new HelpKeyFilter(help_, this));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea_);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    loadSettings();
    // A job form keeps its small frame when it comes to the front over a maximised window
    // (see subWindowActivated).
    mdiArea_->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &MainWindow::subWindowActivated);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &MainWindow::updateCommands);
    updateCommands();
}

MainWindow::~MainWindow()
{
    // The area outlives this class's part of the window: while QWidget tears the children
    // down it would still signal subWindowActivated to a frame that is no longer one.
    disconnect(mdiArea_, nullptr, this, nullptr);
}

void MainWindow::createActions()
{
    openAction_ = makeAction(this, QStringLiteral("&Open..."), QStringLiteral("Open an existing document"),
                             QIcon(QStringLiteral(":/icons/open.svg")));
    openAction_->setToolTip(QStringLiteral("Open"));
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(openAction_, &QAction::triggered, this, &MainWindow::open);

    closeAction_ = makeAction(this, QStringLiteral("&Close"), QStringLiteral("Close the active document"));
    connect(closeAction_, &QAction::triggered, this, &MainWindow::closeActiveJob);

    // One command for the menu, the toolbar and Ctrl+S: a save is only ever of an analysed
    // job's results, so with no job (or no results yet) the keys do nothing.
    saveResultsAction_ = makeAction(this, QStringLiteral("&Save results"),
                                    QStringLiteral("Save the active document with a new name"),
                                    QIcon(QStringLiteral(":/icons/save.svg")));
    saveResultsAction_->setToolTip(QStringLiteral("Save As"));
    saveResultsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveResultsAction_, &QAction::triggered, this, &MainWindow::saveResults);
    // Ctrl+S on a job not analysed yet: the command stays disabled, and the keys get the
    // message that says why rather than nothing. Only one of the two is ever enabled.
    noResultsYet_ = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    noResultsYet_->setEnabled(false);
    connect(noResultsYet_, &QShortcut::activated, this, [this] {
        if (JobFrame* frame = activeJobFrame())
            frame->form()->save();
    });

    printAction_ = makeAction(this, QStringLiteral("&Print..."), QStringLiteral("Print the active document"));
    printAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(printAction_, &QAction::triggered, this, [this] {
        if (ViewCommands* view = activeView())
            view->print();
    });
    printPreviewAction_ = makeAction(this, QStringLiteral("Print Pre&view"), QStringLiteral("Display full pages"));
    connect(printPreviewAction_, &QAction::triggered, this, [this] {
        if (ViewCommands* view = activeView())
            view->printPreview();
    });
    printSetupAction_ = makeAction(this, QStringLiteral("P&rint Setup..."),
                                   QStringLiteral("Change the printer and printing options"));
    connect(printSetupAction_, &QAction::triggered, this, [this] {
        if (grids_)
            grids_->printSetup(this);
    });

    recentPlaceholder_ = makeAction(this, QStringLiteral("Recent File"), QString());
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* action = makeAction(this, QString(), QStringLiteral("Open this document"));
        action->setVisible(false);
        connect(action, &QAction::triggered, this, [this, action] { openWorkbook(action->data().toString()); });
        recentFileActions_.append(action);
    }

    exitAction_ = makeAction(this, QStringLiteral("E&xit"),
                             QStringLiteral("Quit the application; prompts to save documents"));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    copyAction_ = makeAction(this, QStringLiteral("&Copy"), QStringLiteral("Copy the selection and put it on the Clipboard"),
                             QIcon(QStringLiteral(":/icons/copy.svg")));
    copyAction_->setToolTip(QStringLiteral("Copy"));
    copyAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    connect(copyAction_, &QAction::triggered, this, &MainWindow::copy);

    cascadeAction_ = makeAction(this, QStringLiteral("&Cascade"), QStringLiteral("Arrange windows so they overlap"));
    connect(cascadeAction_, &QAction::triggered, mdiArea_, &QMdiArea::cascadeSubWindows);
    tileAction_ = makeAction(this, QStringLiteral("&Tile"), QStringLiteral("Arrange windows as non-overlapping tiles"));
    connect(tileAction_, &QAction::triggered, mdiArea_, &QMdiArea::tileSubWindows);
    arrangeIconsAction_ = makeAction(this, QStringLiteral("&Arrange Icons"),
                                     QStringLiteral("Arrange icons at the bottom of the window"));
    connect(arrangeIconsAction_, &QAction::triggered, this, &MainWindow::arrangeIcons);
    nextPaneAction_ = makeAction(this, QStringLiteral("Next Pane"), QStringLiteral("Switch to the next window"));
    nextPaneAction_->setShortcut(QKeySequence(Qt::Key_F6));
    connect(nextPaneAction_, &QAction::triggered, mdiArea_, &QMdiArea::activateNextSubWindow);
    previousPaneAction_ = makeAction(this, QStringLiteral("Previous Pane"), QStringLiteral("Switch to the previous window"));
    previousPaneAction_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(previousPaneAction_, &QAction::triggered, mdiArea_, &QMdiArea::activatePreviousSubWindow);
    addAction(nextPaneAction_);
    addAction(previousPaneAction_);

    taxonListAction_ = makeAction(this, QStringLiteral("View master taxon list"), QStringLiteral("View mater taxon list"),
                                  QIcon(QStringLiteral(":/icons/taxa.svg")));
    taxonListAction_->setToolTip(QStringLiteral("View master taxon list"));
    connect(taxonListAction_, &QAction::triggered, this, &MainWindow::showTaxonList);
    // From the job form or the job's data view: the job's "Unmatched taxa" window.
    unmatchedTaxaAction_ = makeAction(this, QStringLiteral("&Unmatched taxa..."),
                                      QStringLiteral("Match the taxa whose codes are not in the master taxon list"));
    connect(unmatchedTaxaAction_, &QAction::triggered, this, [this] {
        if (JobFrame* frame = activeJobFrame())
            frame->form()->showUnmatchedTaxa();
    });

    // "&Help" without a job window, "&Help Topics" with one: both open the help file, as
    // F1 and every Help button do.
    helpAction_ = makeAction(this, QStringLiteral("&Help"), QStringLiteral("Display help"),
                             QIcon(QStringLiteral(":/icons/help.svg")));
    helpAction_->setToolTip(QStringLiteral("Help"));
    helpAction_->setShortcut(QKeySequence(Qt::Key_F1));
    connect(helpAction_, &QAction::triggered, this, &MainWindow::showHelp);
    chooseDatabaseAction_ = makeAction(this, QStringLiteral("Choose &reference database..."),
                                       QStringLiteral("Choose the reference database for the jobs you open from now on"));
    connect(chooseDatabaseAction_, &QAction::triggered, this, [this] {
        const QString start = QString::fromStdString(app_.referencePath);
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Choose reference database"), start,
                                                          QStringLiteral("Access database (*.mdb *.accdb);;All Files (*)"));
        if (!path.isEmpty())
            useReferenceDatabase(path);
    });
    referenceDatabaseAction_ = makeAction(this, QStringLiteral("&Reference database"),
                                          QStringLiteral("Show the reference database in use and what its check found"));
    connect(referenceDatabaseAction_, &QAction::triggered, this, &MainWindow::showReferenceDatabase);
    aboutAction_ = makeAction(this, QStringLiteral("&About TORVEN II ..."),
                              QStringLiteral("Display program information, version number and copyright"));
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::createMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->addAction(openAction_);
    fileMenu_->addAction(closeAction_);
    fileMenu_->addAction(saveResultsAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(printAction_);
    fileMenu_->addAction(printPreviewAction_);
    fileMenu_->addAction(printSetupAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(chooseDatabaseAction_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(recentPlaceholder_);
    fileMenu_->addActions(recentFileActions_);
    fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(copyAction_);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    toolBarAction_ = view->addAction(QStringLiteral("&Toolbar"));
    toolBarAction_->setStatusTip(QStringLiteral("Show or hide the toolbar"));
    toolBarAction_->setCheckable(true);
    toolBarAction_->setChecked(true);
    statusBarAction_ = view->addAction(QStringLiteral("&Status Bar"));
    statusBarAction_->setStatusTip(QStringLiteral("Show or hide the status bar"));
    statusBarAction_->setCheckable(true);
    statusBarAction_->setChecked(true);
    view->addSeparator();
    view->addAction(unmatchedTaxaAction_);

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &MainWindow::updateWindowMenu);
    updateWindowMenu();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(helpAction_);
    help->addAction(referenceDatabaseAction_);
    help->addSeparator();
    help->addAction(aboutAction_);
}

void MainWindow::updateWindowMenu()
{
    windowMenu_->clear();
    windowMenu_->addAction(cascadeAction_);
    windowMenu_->addAction(tileAction_);
    windowMenu_->addAction(arrangeIconsAction_);
    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList();
    if (windows.isEmpty())
        return;
    windowMenu_->addSeparator();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QString();
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = windowMenu_->addAction(number + title);
        action->setStatusTip(QStringLiteral("Activate this window"));
        action->setCheckable(true);
        action->setChecked(window == mdiArea_->currentSubWindow());
        connect(action, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
            if (!target)
                return;
            if (target->isMinimized())
                target->showNormal();
            mdiArea_->setActiveSubWindow(target);
        });
    }
}

void MainWindow::subWindowActivated(QMdiSubWindow* window)
{
    // Qt's own rule, that the next window takes over a maximised one's state, would strip
    // a job form of its frame: a job form comes to the front as it is, over the maximised
    // window, and only a window that can be resized takes the state over.
    if (!window || qobject_cast<JobFrame*>(window) || window->isMaximized())
        return;
    bool maximised = false;
    for (QMdiSubWindow* other : mdiArea_->subWindowList())
        if (other != window && other->isMaximized()) {
            other->showNormal();
            maximised = true;
        }
    if (maximised)
        window->showMaximized();
}

void MainWindow::createToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolbar"));
    toolBar_->setIconSize(QSize(20, 20));
    toolBar_->addAction(openAction_);
    toolBar_->addAction(saveResultsAction_);
    toolBar_->addSeparator();
    toolBar_->addAction(copyAction_);
    toolBar_->addSeparator();
    toolBar_->addAction(taxonListAction_);
    toolBar_->addAction(helpAction_);
    connect(toolBarAction_, &QAction::toggled, toolBar_, &QWidget::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, toolBarAction_, &QAction::setChecked);
}

void MainWindow::createStatusBar()
{
    // The idle text sits in the message pane; a command's prompt covers it while a menu
    // item or toolbar button is under the mouse. No lock-key panes: Qt cannot read the
    // Caps, Num and Scroll Lock states on every platform, and a pane that guesses is worse
    // than none.
    idleMessage_ = new QLabel(QStringLiteral("For Help, press F1"), this);
    statusBar()->addWidget(idleMessage_, 1);
    connect(statusBarAction_, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void MainWindow::setGridWindows(std::unique_ptr<GridWindows> grids)
{
    grids_ = std::move(grids);
    for (JobFrame* frame : jobFrames())
        frame->form()->setGridWindowsAvailable(grids_ != nullptr);
    updateCommands();
}

QList<JobFrame*> MainWindow::jobFrames() const
{
    QList<JobFrame*> frames;
    for (QMdiSubWindow* window : mdiArea_->subWindowList())
        if (auto* frame = qobject_cast<JobFrame*>(window))
            frames.append(frame);
    return frames;
}

JobFrame* MainWindow::activeJobFrame() const
{
    // currentSubWindow, not activeSubWindow: the active child stays the target of the
    // commands while a dialog or another program has the focus.
    return jobFrameOf(mdiArea_->currentSubWindow());
}

void MainWindow::open()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(),
                                                      QStringLiteral("Excel Workbook (*.xls *.xlsx);;All Files (*)"));
    if (!path.isEmpty())
        openWorkbook(path);
}

JobFrame* MainWindow::openWorkbook(const QString& path)
{
    auto job = std::make_unique<Job>(&app_, ui_);
    if (!job->OpenWorkbook(path.toStdString())) {
        // A recent file that has gone away leaves the list; one that merely failed to
        // import (or whose dialog was cancelled) stays, as the user may try again.
        if (!QFileInfo::exists(path) && recentFiles_.removeAll(path) > 0)
            updateRecentFileActions();
        return nullptr;
    }
    addRecentFile(path);

    auto* frame = new JobFrame(std::move(job), ui_);
    JobForm* form = frame->form();
    form->setGridWindowsAvailable(grids_ != nullptr);
    connect(form, &JobForm::viewDataRequested, this, [this, frame] { openDataWindow(frame); });
    connect(form, &JobForm::viewResultsRequested, this, [this, frame] { openResultsWindow(frame); });
    connect(form, &JobForm::helpRequested, this, &MainWindow::showHelp);
    connect(form, &JobForm::jobChanged, this, &MainWindow::updateCommands);
    connect(frame, &JobFrame::resultsSaved, this, [this](const QString& written) {
        statusBar()->showMessage(QStringLiteral("Results saved to ") + QDir::toNativeSeparators(written));
    });
    const auto refreshWindows = [this, frame] {
        if (!grids_)
            return;
        for (QMdiSubWindow* window : {frame->dataWindow.data(), frame->resultsWindow.data()})
            if (window)
                grids_->refresh(frame->job(), window->widget());
    };
    connect(form, &JobForm::jobAnalysed, this, refreshWindows);
    connect(form, &JobForm::samplesAdded, this, refreshWindows);
    connect(frame, &QObject::destroyed, this, &MainWindow::updateCommands, Qt::QueuedConnection);
    mdiArea_->addSubWindow(frame);
    frame->show();
    // At the form's own size, once the frame's title bar and borders are known; the user
    // may make it larger afterwards.
    frame->resize(frame->sizeHint());
    mdiArea_->setActiveSubWindow(frame);
    updateCommands();
    return frame;
}

void MainWindow::closeActiveJob()
{
    QMdiSubWindow* window = mdiArea_->currentSubWindow();
    if (JobFrame* frame = jobFrameOf(window))
        frame->close();
    else if (window)
        window->close();  // a master taxon list: its job has no other window
}

void MainWindow::saveResults()
{
    JobFrame* frame = activeJobFrame();
    if (!frame || !frame->job().analysed)
        return;
    frame->form()->save();
}

bool MainWindow::closeAllJobs()
{
    const QList<JobFrame*> frames = jobFrames();
    for (JobFrame* frame : frames)
        if (!frame->askSaveModified())
            return false;
    for (JobFrame* frame : frames)
        frame->closeWithoutAsking();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeAllJobs()) {
        event->ignore();
        return;
    }
    saveSettings();
    mdiArea_->closeAllSubWindows();
    event->accept();
}

void MainWindow::showHelp()
{
    // At the section of the dialog or window in front, where it has one.
    QMdiSubWindow* window = mdiArea_->currentSubWindow();
    help_.show(this, CurrentHelpSection(window ? window->widget() : nullptr));
}

void MainWindow::showAbout()
{
    AboutDialog dialog(this, app_.ReferenceIdentityLines());
    dialog.exec();
}

bool MainWindow::useReferenceDatabase(const QString& path)
{
    if (!app_.OpenReferenceData(path.toStdString()))
        return false;
    std::string error;
    if (!torven::SaveChosenReferenceDatabase(path.toStdString(), error))
        ui_.showMessage("Error writing file", torven::UserConfigFolder() + "settings: " + error);
    statusBar()->showMessage(QStringLiteral("Reference database: ") + path, 5000);
    showReferenceProblemsIfAny();
    return true;
}

void MainWindow::showReferenceDatabase()
{
    if (referenceDatabaseWindow_) {
        referenceDatabaseWindow_->raise();
        referenceDatabaseWindow_->activateWindow();
        return;
    }
    auto* window = new ReferenceDatabaseDialog(this, app_.ReferenceReportLines());
    window->setAttribute(Qt::WA_DeleteOnClose);
    referenceDatabaseWindow_ = window;
    window->show();
}

void MainWindow::showReferenceProblemsIfAny()
{
    if (!app_.referenceProblems.empty()) {
        // A window already open shows the database before: it goes, the new one shows.
        if (referenceDatabaseWindow_)
            referenceDatabaseWindow_->close();
        showReferenceDatabase();
    }
}

void MainWindow::showTaxonList()
{
    if (!grids_)
        return;
    // Without the database there is no list to show: say so rather than open an empty one.
    if (!app_.masterTaxonList) {
        ui_.showMessage("Error retrieving taxon list", MissingTaxonListDetail(app_.connectionString));
        return;
    }
    if (QWidget* view = grids_->createTaxonListView(app_)) {
        SetHelpSection(view, QStringLiteral("The master taxon list"));
        addGridWindow(view, nullptr, view->windowTitle());
    }
}

void MainWindow::openDataWindow(JobFrame* frame)
{
    if (!grids_)
        return;
    if (frame->dataWindow) {
        mdiArea_->setActiveSubWindow(frame->dataWindow);
        return;
    }
    if (QWidget* view = grids_->createDataView(frame->job())) {
        SetHelpSection(view, QStringLiteral("Viewing the data"));
        frame->dataWindow = addGridWindow(view, frame, QString::fromStdString(datagrid::Caption(frame->job())));
    }
}

void MainWindow::openResultsWindow(JobFrame* frame)
{
    if (!grids_ || !frame->job().analysed)
        return;
    if (frame->resultsWindow) {
        mdiArea_->setActiveSubWindow(frame->resultsWindow);
        return;
    }
    if (QWidget* view = grids_->createResultsView(frame->job())) {
        SetHelpSection(view, QStringLiteral("Viewing the results"));
        frame->resultsWindow = addGridWindow(view, frame, QString::fromStdString(resultsgrid::Caption(frame->job())));
    }
}

QMdiSubWindow* MainWindow::addGridWindow(QWidget* view, JobFrame* frame, const QString& caption)
{
    auto* window = new ViewFrame(frame);
    window->setWidget(view);
    window->setWindowTitle(caption);
    connect(window, &QObject::destroyed, this, &MainWindow::updateCommands, Qt::QueuedConnection);
    mdiArea_->addSubWindow(window);
    // A grid shows most when it fills the part of the work area the job forms leave free
    // (all of it when what they leave is too small to read a grid in).
    const QRect area = mdiArea_->viewport()->rect();
    QList<QRect> forms;
    for (JobFrame* job : jobFrames())
        if (job->isVisible() && !job->isMinimized())
            forms.append(job->geometry());
    // A window asks for the room its first view needs (the results window: the first
    // index's columns); a strip narrower than that is no place for it.
    const QSize wanted = view->sizeHint().expandedTo(QSize(400, 250));
    QRect place = FreeWorkArea(area, forms, wanted.boundedTo(area.size()));
    // A window already there keeps its title bar in view: the new one steps down and right.
    const int step = std::max(16, window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window));
    // Where the forms leave no room for it (a small screen, a large scale), the grid
    // covers a job form; the form's title bar stays in view above it, so that the form is
    // seen and one click brings it back.
    for (JobFrame* job : jobFrames()) {
        if (!job->isVisible() || job->isMinimized())
            continue;
        const QRect titleBar(job->geometry().topLeft(), QSize(job->width(), step));
        if (titleBar.intersects(place) && job->y() >= place.y() && job->y() + 3 * step <= place.bottom())
            place.setTop(job->y() + step);
    }
    for (bool moved = true; moved && place.width() > 2 * step && place.height() > 2 * step;) {
        moved = false;
        for (QMdiSubWindow* other : mdiArea_->subWindowList())
            if (other != window && !qobject_cast<JobFrame*>(other) && other->geometry().topLeft() == place.topLeft()) {
                place.adjust(step, step, 0, 0);
                moved = true;
            }
    }
    window->setGeometry(place);
    window->show();
    mdiArea_->setActiveSubWindow(window);
    return window;
}

ViewCommands* MainWindow::activeView() const
{
    QMdiSubWindow* window = mdiArea_->currentSubWindow();
    if (!window || !window->widget())
        return nullptr;
    return dynamic_cast<ViewCommands*>(window->widget());
}

void MainWindow::copy()
{
    if (ViewCommands* view = activeView()) {
        view->copy();
        return;
    }
    // The job form: the selected summary text.
    QWidget* focus = QApplication::focusWidget();
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus))
        text->copy();
    else if (auto* line = qobject_cast<QLineEdit*>(focus))
        line->copy();
    else if (JobFrame* frame = qobject_cast<JobFrame*>(mdiArea_->currentSubWindow()))
        frame->form()->summaryBox()->copy();
}

void MainWindow::arrangeIcons()
{
    // Minimised windows in a row along the bottom edge, left to right.
    int x = 0;
    for (QMdiSubWindow* window : mdiArea_->subWindowList()) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        window->move(x, mdiArea_->viewport()->height() - size.height());
        x += size.width();
    }
}

void MainWindow::updateCommands()
{
    QMdiSubWindow* window = mdiArea_->currentSubWindow();
    JobFrame* frame = jobFrameOf(window);
    const bool anyWindow = window != nullptr;

    closeAction_->setEnabled(anyWindow);
    saveResultsAction_->setEnabled(frame && frame->job().analysed);
    noResultsYet_->setEnabled(frame && !frame->job().analysed);
    printAction_->setEnabled(activeView() != nullptr);
    printPreviewAction_->setEnabled(activeView() != nullptr);
    printSetupAction_->setEnabled(grids_ != nullptr);
    copyAction_->setEnabled(anyWindow);
    taxonListAction_->setEnabled(grids_ != nullptr);
    unmatchedTaxaAction_->setEnabled(frame && frame->job().samples.counts);

    // The two menus: with a window of a job (or a taxon list) active, the Help menu of
    // the job windows.
    helpAction_->setText(anyWindow ? QStringLiteral("&Help Topics") : QStringLiteral("&Help"));
    aboutAction_->setText(anyWindow ? QStringLiteral("&About TVN...") : QStringLiteral("&About TORVEN II ..."));

    QString caption = QString::fromLatin1(kCaption);
    if (frame && !frame->job().samples.title.empty())
        caption += QStringLiteral(" - ") + QString::fromStdString(frame->job().samples.title);
    setWindowTitle(caption);
}

void MainWindow::addRecentFile(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    recentFiles_.removeAll(full);
    recentFiles_.prepend(full);
    while (recentFiles_.size() > kRecentFileCount)
        recentFiles_.removeLast();
    updateRecentFileActions();
    QSettings().setValue(QStringLiteral("recentFiles"), recentFiles_);
}

void MainWindow::updateRecentFileActions()
{
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* action = recentFileActions_[i];
        if (i < recentFiles_.size()) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(recentFiles_[i]).fileName()));
            action->setData(recentFiles_[i]);
            action->setStatusTip(recentFiles_[i]);
            action->setVisible(true);
        } else {
            action->setVisible(false);
        }
    }
    recentPlaceholder_->setVisible(recentFiles_.isEmpty());
}

void MainWindow::loadSettings()
{
    QSettings settings;
    recentFiles_ = settings.value(QStringLiteral("recentFiles")).toStringList().mid(0, kRecentFileCount);
    updateRecentFileActions();
    if (!restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) {
        resize(kFirstSize);
        // First start on a small screen: the whole screen, so that a job form and its
        // results fit side by side or one above the other.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QSize available = screen->availableGeometry().size();
            if (available.width() < kFirstSize.width() + 200 || available.height() < kFirstSize.height() + 100) {
                // The screen's free area as its normal size too, for a desktop without a
                // window manager to maximise it.
                setGeometry(screen->availableGeometry());
                setWindowState(windowState() | Qt::WindowMaximized);
            }
        }
    }
    // A screen smaller than the one the geometry was saved on (or than 1000 by 720) gets
    // the window within its free area, status bar included.
    FitWindowToScreen(this);
    restoreState(settings.value(QStringLiteral("windowState")).toByteArray());
}

void MainWindow::saveSettings()
{
    QSettings settings;
    settings.setValue(QStringLiteral("recentFiles"), recentFiles_);
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState());
}
