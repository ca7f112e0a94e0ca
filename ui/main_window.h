#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

#include "ui/commands/grid_windows.h"

class JobFrame;
class Application;
class HelpCommand;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QShortcut;
class QToolBar;
class UserInteraction;
class ViewCommands;

// The main window: menus, toolbar, status bar and the area of child windows. Commands
// reach the active job first (the job of the active child window, whichever of its
// windows that is), then the main window itself.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(Application& app, UserInteraction& ui, HelpCommand& help, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Makes the data, results and master taxon list windows available (see grid_windows.h).
    void setGridWindows(std::unique_ptr<GridWindows> grids);

    // Opens a new job on a workbook: the import with its worksheet dialog, then the job
    // form. nullptr when the import failed or was cancelled (it has said why).
    JobFrame* openWorkbook(const QString& path);
    // The job of the active child window, or nullptr.
    JobFrame* activeJobFrame() const;
    QList<JobFrame*> jobFrames() const;
    // Asks every modified job "Save Results?" and closes them all; false, with nothing
    // closed, when the user chose Cancel (or a save he asked for did not happen).
    bool closeAllJobs();

    // Opens the database at path for the jobs opened from now on and remembers it in the
    // user's settings; a database that cannot be read changes nothing (its messages said
    // why). Shows the Reference database window when the check finds problems. True when
    // the database is in use.
    bool useReferenceDatabase(const QString& path);
    // The Reference database window (one at a time), with the database's identity and the
    // problems its check found.
    void showReferenceDatabase();
    // At start-up: the Reference database window, only when there are problems to show.
    void showReferenceProblemsIfAny();

    QMdiArea* mdiArea() const { return mdiArea_; }
    QStringList recentFiles() const { return recentFiles_; }
    static constexpr int kRecentFileCount = 4;
    static const char* const kCaption;

    // The commands, for the tests.
    QAction* openAction() const { return openAction_; }
    QAction* closeAction() const { return closeAction_; }
    QAction* saveResultsAction() const { return saveResultsAction_; }
    QAction* printAction() const { return printAction_; }
    QAction* printPreviewAction() const { return printPreviewAction_; }
    QAction* printSetupAction() const { return printSetupAction_; }
    QAction* exitAction() const { return exitAction_; }
    QAction* copyAction() const { return copyAction_; }
    QAction* taxonListAction() const { return taxonListAction_; }
    QAction* unmatchedTaxaAction() const { return unmatchedTaxaAction_; }
    QAction* helpAction() const { return helpAction_; }
    QAction* aboutAction() const { return aboutAction_; }
    QAction* chooseDatabaseAction() const { return chooseDatabaseAction_; }
    QAction* referenceDatabaseAction() const { return referenceDatabaseAction_; }
    QList<QAction*> recentFileActions() const { return recentFileActions_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* windowMenu() const { return windowMenu_; }
    QToolBar* toolBar() const { return toolBar_; }
    QLabel* idleMessage() const { return idleMessage_; }

public slots:
    void open();
    void closeActiveJob();
    void saveResults();
    void showHelp();
    void showAbout();
    void showTaxonList();
    void copy();
    void arrangeIcons();
    // Enabling, texts and caption for the active window and its job.
    void updateCommands();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    // The Window menu: its arrange commands, then one entry per open window, the active one
    // checked.
    void updateWindowMenu();
    void subWindowActivated(QMdiSubWindow* window);
    void openDataWindow(JobFrame* frame);
    void openResultsWindow(JobFrame* frame);
    QMdiSubWindow* addGridWindow(QWidget* view, JobFrame* frame, const QString& caption);
    // The copy and print commands of the active child window's view; null when it has none.
    ViewCommands* activeView() const;
    void addRecentFile(const QString& path);
    void updateRecentFileActions();
    void loadSettings();
    void saveSettings();

    Application& app_;
    UserInteraction& ui_;
    HelpCommand& help_;
    std::unique_ptr<GridWindows> grids_;
    QMdiArea* mdiArea_;
    QStringList recentFiles_;

    QMenu* fileMenu_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* idleMessage_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* closeAction_ = nullptr;
    QAction* saveResultsAction_ = nullptr;
    QShortcut* noResultsYet_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* printPreviewAction_ = nullptr;
    QAction* printSetupAction_ = nullptr;
    QAction* recentPlaceholder_ = nullptr;
    QList<QAction*> recentFileActions_;
    QAction* exitAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* toolBarAction_ = nullptr;
    QAction* statusBarAction_ = nullptr;
    QAction* cascadeAction_ = nullptr;
    QAction* tileAction_ = nullptr;
    QAction* arrangeIconsAction_ = nullptr;
    QAction* nextPaneAction_ = nullptr;
    QAction* previousPaneAction_ = nullptr;
    QAction* taxonListAction_ = nullptr;
    QAction* unmatchedTaxaAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* chooseDatabaseAction_ = nullptr;
    QAction* referenceDatabaseAction_ = nullptr;
    QPointer<QDialog> referenceDatabaseWindow_;
};
