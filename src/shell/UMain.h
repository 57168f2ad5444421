#pragma once

#include "UApplication.h"
#include "UDBUpdate.h"
#include "UDatabase.h"
#include "UFields.h"
#include "UShell.h"

#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class QTabBar;
class QTabWidget;
class QTimer;
class QToolButton;
class TfrmAbout;
class TfrmLogin;
class TfrmPub;
class TfrmSplash;

// How the program was started.
struct TStartupOptions {
    // The executable's path as started, a copy or a link of the runtime named
    // after the application (links are not resolved: their name is the
    // application's name).
    QString ExecutablePath;
    // The first command-line argument that is not an option; empty when none.
    QString ResourceArgument;
    // Delay between showing the main window and opening the data database.
    int InitInterval = 2500;
};

// The runtime's file name, refused as an application when started without a
// resource database.
inline constexpr char RuntimeFileName[] = "OrvalisRuntime";

// Where the application's files are, from how the program was started.
// The resource database: the argument, else the executable's path with ".res",
// else that file name in the common application data folder. Empty for the
// bare runtime started without argument.
QString ResourceDatabasePath(const TStartupOptions& options);
// The data database: the executable's path with ".db" (beside the resource
// database for the bare runtime), or, when `shared`, that file name in the
// folder `sharedFolder` of the common documents folder, which is created.
QString DataDatabasePath(const TStartupOptions& options, const QString& resourcePath, bool shared,
                         const QString& sharedFolder);
// Refuses a resource database that is no application: without its parameter
// table, or whose parameter "RUNTIME" is not 1. Throws ERuntimeError.
void ValidateResourceDatabase(TConnection& connection, const TdmApplication& parameters);

// The main window: an MDI frame with the ribbon, the tab strip of the child
// windows and the status bar. It owns both database connections and drives the
// start-up sequence.
class TfrmMain : public QMainWindow, public IShell {
    Q_OBJECT

public:
    explicit TfrmMain(const TStartupOptions& options, TfrmSplash* splash = nullptr);
    ~TfrmMain() override;

    // The windows the program entry creates after this one.
    void SetInformationWindow(TfrmPub* pub) { m_pub = pub; }
    void SetAboutWindow(TfrmAbout* about) { m_about = about; }
    void SetLoginDialog(TfrmLogin* login) { m_login = login; }

    TdmApplication& dmApplication() { return m_application; }
    TdmFields& dmFields() { return m_fields; }
    TdmDBUpdate& dmDBUpdate() { return m_dbUpdate; }

    // Components, named as the language table and the scripts address them.
    QTabWidget* pcMenubar = nullptr;
    QWidget* tsFile = nullptr;
    QWidget* tsHome = nullptr;
    QMenu* ppFile = nullptr;
    QTabBar* MDITab = nullptr;
    QMenu* ppMDITab = nullptr;
    QMdiArea* MDIArea = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* StatusPanels[3] = {nullptr, nullptr, nullptr};
    QTimer* TimerInit = nullptr;
    QTimer* TimerTabChange = nullptr;
    QCheckBox* cbShowHomePage = nullptr;
    QCheckBox* cbShowStatusBar = nullptr;

    QAction* actPrint = nullptr;
    QAction* actPrintSetup = nullptr;
    QAction* actChangeSkin = nullptr;
    QAction* actClose = nullptr;
    QAction* actAbout = nullptr;
    QAction* actQuit = nullptr;
    QAction* actShowStatusBar = nullptr;
    QAction* actShowHomePage = nullptr;
    QAction* actDataSet[9] = {}; // First, Prev, Next, Last, Insert, Edit, Delete, Post, Cancel
    QAction* actEdit[4] = {};    // Copy, Paste, Cut, Undo

    TConnection ADOConnection;     // the resource database
    TConnection ADOConnectionData; // the data database

    quint8 SavedWindowState = 0;
    QPoint TabMousePoint;

    // Where the start-up sequence is.
    enum class TStage { Created, Loading, Waiting, UpdatingData, Login, Ready, Closing };
    TStage Stage() const { return m_stage; }
    // The start-up sequence ended on an error.
    bool StartFailed() const { return m_startFailed; }

    // The paths chosen by the start-up sequence.
    const QString& ResourcePath() const { return m_resourcePath; }
    const QString& DataPath() const { return m_dataPath; }
    // The base name of the executable: the application's name.
    QString ApplicationName() const;
    // The per-user settings file of the application.
    QString SettingsPath() const;

    // Shows a text in status panel 0 (and writes it to the log).
    void SetStatusText(const QString& text);
    QString StatusText() const;

    // The object menu and the child windows.
    static const char* const qrySelectObjects;
    static const char* const qrySelectObjectsAll;
    void BuildObjectMenu();
    void ObjectButtonClick(QToolButton* button);
    QWidget* OpenObjectWindow(int key, int type, const QString& caption);
    static bool IsPdfReaderInstalled();

    // IShell
    int CurrentObjectId() const override { return m_currentObjectId; }
    QObject* OpenObject(int key, int type, const QString& caption) override;
    QObject* OpenObjectById(int key, int type) override;
    QObject* OpenFormByTable(const QString& table, int recordKey) override;
    void SetStatusPanel(int panel, const QString& text) override;
    QStringList* GlobalVars() override { return m_globalVars.get(); }

    // The steps of the start-up sequence, public for the tests that drive them.
    void FormShow();
    void TimerInitTimer();
    void LoadSettings();
    void SaveSettings();

signals:
    // The start-up sequence reached "ready".
    void Ready();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void FormDestroy();
    void BuildActions();
    void BuildRibbon();
    void BuildHomeTab();
    QWidget* BuildGroup(const QString& labelName, const QList<QAction*>& actions,
                        QWidget* extra = nullptr);
    void BuildStatusBar();
    void ShowHint(const QString& hint);
    void UpdateActionStates();
    void CloseSplash();
    void FailAndClose(const QString& message);
    QString MainText(const char* key) const;

    void MDITabMouseDown(const QPoint& position);
    void MDITabChange();
    void TimerTabChangeTimer();
    void actCloseExecute();
    void actAboutExecute();
    void actShowStatusbarExecute();

    void AddToTabStrip(QWidget* window);
    int m_currentObjectId = 0;
    // The script global variables, name=value pairs; null once the window closed.
    std::unique_ptr<QStringList> m_globalVars;
    TStartupOptions m_options;
    TfrmSplash* m_splash;
    TfrmPub* m_pub = nullptr;
    TfrmAbout* m_about = nullptr;
    TfrmLogin* m_login = nullptr;
    std::unique_ptr<TfrmLogin> m_ownLogin;
    TdmApplication m_application;
    TdmFields m_fields;
    TdmDBUpdate m_dbUpdate;
    QString m_resourcePath;
    QString m_dataPath;
    QString m_skinName;
    TStage m_stage = TStage::Created;
    bool m_shown = false;
    bool m_settingsLoaded = false;
    bool m_closed = false;
    bool m_startFailed = false;
    int m_lastFileTab = 1;
    QTimer* m_actionUpdate = nullptr;
};
