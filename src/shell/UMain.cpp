#include "UMain.h"

#include "DTools.h"
#include "UAbout.h"
#include "UDataSetActions.h"
#include "UDialogs.h"
#include "UExceptions.h"
#include "UForm.h"
#include "UHTMLExtract.h"
#include "UImages.h"
#include "ULang.h"
#include "ULog.h"
#include "ULogin.h"
#include "UMDIChild.h"
#include "UPub.h"
#include "UQStat.h"
#include "UReflection.h"
#include "UReport.h"
#include "USplash.h"
#include "UToolkit.h"
#include "UView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibrary>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Ribbon button and image sizes.
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 73;
constexpr int kImageSize = 32;

// Booleans of the settings file: "1" and "0"; a text is read as an integer,
// non-zero meaning true.
bool ReadBool(const QSettings& settings, const QString& key, bool defaultValue) {
    const QVariant v = settings.value(key);
    if (!v.isValid())
        return defaultValue;
    bool ok = false;
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n != 0 : defaultValue;
}

QString WithExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + extension);
}

} // namespace

QString ResourceDatabasePath(const TStartupOptions& options) {
    if (!options.ResourceArgument.isEmpty())
        return options.ResourceArgument;
    const QFileInfo exe(options.ExecutablePath);
    if (exe.fileName() == QLatin1String(RuntimeFileName))
        return {};
    const QString beside = WithExtension(exe.absoluteFilePath(), QStringLiteral(".res"));
    if (QFileInfo::exists(beside))
        return beside;
    return SpecialFolder(CSIDL_COMMON_APPDATA) + PathDelim + QFileInfo(beside).fileName();
}

QString DataDatabasePath(const TStartupOptions& options, const QString& resourcePath, bool shared,
                         const QString& sharedFolder) {
    const QFileInfo exe(options.ExecutablePath);
    // Started as the bare runtime on a named resource database, the data
    // database lies beside that file: one beside the runtime itself would be
    // shared by every application started that way.
    QString path;
    if (exe.fileName() == QLatin1String(RuntimeFileName) && !options.ResourceArgument.isEmpty())
        path = WithExtension(QFileInfo(resourcePath).absoluteFilePath(), QStringLiteral(".db"));
    else
        path = WithExtension(exe.absoluteFilePath(), QStringLiteral(".db"));
    if (shared) {
        const QString folder = NormalizeFolder(SpecialFolder(CSIDL_COMMON_DOCUMENTS) + PathDelim +
                                               sharedFolder + PathDelim);
        QDir().mkpath(folder); // a failure shows when the file is opened
        path = folder + QFileInfo(path).fileName();
    }
    return path;
}

void ValidateResourceDatabase(TConnection& connection, const TdmApplication& parameters) {
    // A database without the parameter table is no application.
    if (!connection.GetTableNames().contains(QStringLiteral("T_APPLICATION"),
                                             Qt::CaseInsensitive) ||
        parameters.GetIntParam(psWindows, QStringLiteral("RUNTIME"), 0) != 1)
        throw ERuntimeError(
            Language().SectionText(QStringLiteral("frmMain"), QStringLiteral("msgResDBNotValid")));
}

TfrmMain::TfrmMain(const TStartupOptions& options, TfrmSplash* splash)
    : m_options(options), m_splash(splash), m_application(ADOConnection), m_fields(ADOConnection),
      m_dbUpdate(ADOConnection, ADOConnectionData) {
    FormCreate();
    SetShell(this);
}

TfrmMain::~TfrmMain() {
    if (Shell() == this)
        SetShell(nullptr);
    if (!m_closed)
        FormDestroy();
}

QString TfrmMain::ApplicationName() const {
    return QFileInfo(m_options.ExecutablePath).completeBaseName();
}

QString TfrmMain::SettingsPath() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           ApplicationName() + QStringLiteral(".ini");
}

QString TfrmMain::MainText(const char* key) const {
    return Language().FormText(this, QLatin1String(key));
}

// --- Creation ------------------------------------------------------------

void TfrmMain::FormCreate() {
    setObjectName(QStringLiteral("frmMain"));
    MarkAsWindow(this);
    resize(1024, 705);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    BuildActions();
    BuildRibbon();

    MDITab = new QTabBar(this);
    MDITab->setObjectName(QStringLiteral("MDITab"));
    MDITab->setFixedHeight(22);
    MDITab->setShape(QTabBar::RoundedNorth);
    MDITab->setDrawBase(true);
    MDITab->setExpanding(false);
    MDITab->setCursor(Qt::ArrowCursor);
    MDITab->setContextMenuPolicy(Qt::CustomContextMenu);
    MDITab->installEventFilter(this);
    ppMDITab = new QMenu(this);
    ppMDITab->setObjectName(QStringLiteral("ppMDITab"));
    ppMDITab->addAction(actClose);
    connect(MDITab, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ppMDITab->popup(MDITab->mapToGlobal(p)); });
    connect(MDITab, &QTabBar::currentChanged, this, [this](int index) {
        // Choosing a tab activates its window, in front and restored.
        if (auto* window = qobject_cast<QMdiSubWindow*>(MDITab->tabData(index).value<QObject*>())) {
            if (window->isMinimized())
                window->showNormal();
            MDIArea->setActiveSubWindow(window);
            window->raise();
        }
        MDITabChange();
    });

    MDIArea = new QMdiArea(this);
    MDIArea->setObjectName(QStringLiteral("MDIArea"));
    MDIArea->setViewMode(QMdiArea::SubWindowView);
    // The tab strip follows the activation of the child windows.
    connect(MDIArea, &QMdiArea::subWindowActivated, MDITab, [this](QMdiSubWindow* window) {
        for (int i = 0; i < MDITab->count(); ++i)
            if (MDITab->tabData(i).value<QObject*>() == window) {
                QSignalBlocker block(MDITab);
                MDITab->setCurrentIndex(i);
            }
    });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pcMenubar);
    layout->addWidget(MDITab);
    layout->addWidget(MDIArea, 1);
    setCentralWidget(central);

    BuildStatusBar();

    TimerInit = new QTimer(this);
    TimerInit->setObjectName(QStringLiteral("TimerInit"));
    TimerInit->setTimerType(Qt::PreciseTimer);
    TimerInit->setInterval(m_options.InitInterval);
    connect(TimerInit, &QTimer::timeout, this, [this] { TimerInitTimer(); });
    TimerTabChange = new QTimer(this);
    TimerTabChange->setObjectName(QStringLiteral("TimerTabChange"));
    TimerTabChange->setInterval(50);
    connect(TimerTabChange, &QTimer::timeout, this, [this] { TimerTabChangeTimer(); });

    m_actionUpdate = new QTimer(this);
    m_actionUpdate->setInterval(200);
    connect(m_actionUpdate, &QTimer::timeout, this, [this] { UpdateActionStates(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActionStates(); });
    m_actionUpdate->start();

    // The window stays disabled until the data database is open.
    setEnabled(false);
    Language().ApplyToForm(this);
    // Hints also travel as status tips, which the status bar shows.
    for (QAction* action : findChildren<QAction*>())
        action->setStatusTip(action->toolTip());
    for (QToolButton* button : tsHome->findChildren<QToolButton*>())
        if (button->defaultAction())
            button->setStatusTip(button->defaultAction()->toolTip());
    setWindowTitle(m_splash ? TfrmSplash::AppTitle()
                            : u' ' + QFileInfo(m_options.ExecutablePath).completeBaseName());
    m_globalVars = std::make_unique<QStringList>();
    UpdateActionStates();
}

void TfrmMain::BuildActions() {
    auto make = [this](const char* name, TImage image = TImage::None) {
        auto* action = new QAction(QLatin1String(name), this);
        action->setObjectName(QLatin1String(name));
        if (image != TImage::None)
            action->setIcon(BuiltInIcon(image));
        return action;
    };
    actPrint = make("actPrint");
    actPrintSetup = make("actPrintSetup");
    actChangeSkin = make("actChangeSkin");
    actClose = make("actClose");
    actAbout = make("actAbout");
    actQuit = make("actQuit");
    actQuit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    actShowStatusBar = make("actShowStatusBar");
    actShowStatusBar->setCheckable(true);
    actShowStatusBar->setChecked(false);
    actShowHomePage = make("actShowHomePage");
    actShowHomePage->setCheckable(true);
    actShowHomePage->setChecked(false);

    static const struct {
        const char* name;
        TImage image;
        QKeySequence::StandardKey key;
    } dataSet[] = {
        {"actDataSetFirst", TImage::First, QKeySequence::UnknownKey},
        {"actDataSetPrev", TImage::Prior, QKeySequence::UnknownKey},
        {"actDataSetNext", TImage::Next, QKeySequence::UnknownKey},
        {"actDataSetLast", TImage::Last, QKeySequence::UnknownKey},
        {"actDataSetInsert", TImage::Insert, QKeySequence::New},
        {"actDataSetEdit", TImage::Edit, QKeySequence::UnknownKey},
        {"actDataSetDelete", TImage::Delete, QKeySequence::UnknownKey},
        {"actDataSetPost", TImage::Post, QKeySequence::Save},
        {"actDataSetCancel", TImage::Cancel, QKeySequence::UnknownKey},
    };
    for (int i = 0; i < 9; ++i) {
        actDataSet[i] = make(dataSet[i].name, dataSet[i].image);
        if (dataSet[i].key != QKeySequence::UnknownKey)
            actDataSet[i]->setShortcut(dataSet[i].key);
        const auto kind = static_cast<TDataSetAction>(i);
        connect(actDataSet[i], &QAction::triggered, this, [this, kind] {
            QWidget* focus = QApplication::focusWidget();
            IDataSetActionTarget* target = FindDataSetActionTarget(focus);
            if (!target && MDIArea->activeSubWindow())
                target = FindDataSetActionTarget(MDIArea->activeSubWindow()->widget());
            if (target && target->DataSetActionEnabled(kind))
                target->ExecuteDataSetAction(kind);
            UpdateActionStates();
        });
    }
    static const struct {
        const char* name;
        TImage image;
    } edit[] = {{"actCopy", TImage::Copy},
                {"actPaste", TImage::Paste},
                {"actCut", TImage::Cut},
                {"actUndo", TImage::Undo}};
    for (int i = 0; i < 4; ++i) {
        actEdit[i] = make(edit[i].name, edit[i].image);
        const auto kind = static_cast<TEditAction>(i);
        connect(actEdit[i], &QAction::triggered, this, [this, kind] {
            ExecuteEditAction(QApplication::focusWidget(), kind);
            UpdateActionStates();
        });
    }

    connect(actClose, &QAction::triggered, this, [this] { actCloseExecute(); });
    connect(actQuit, &QAction::triggered, this, &QWidget::close);
    connect(actAbout, &QAction::triggered, this, [this] { actAboutExecute(); });
    connect(actShowStatusBar, &QAction::triggered, this, [this] { actShowStatusbarExecute(); });
    // The home-page option is read where forms become active.
}

void TfrmMain::BuildRibbon() {
    pcMenubar = new QTabWidget(this);
    pcMenubar->setObjectName(QStringLiteral("pcMenubar"));
    pcMenubar->setFixedHeight(120);
    pcMenubar->setDocumentMode(true);
    pcMenubar->setStyleSheet(QStringLiteral("QTabBar::tab { height: 24px; padding: 0 14px; }"));

    ppFile = new QMenu(this);
    ppFile->setObjectName(QStringLiteral("ppFile"));
    ppFile->addAction(actChangeSkin);
    ppFile->addAction(actAbout);
    ppFile->addSeparator();
    ppFile->addAction(actQuit);

    for (auto [sheet, name] : {std::pair{&tsFile, "tsFile"}, std::pair{&tsHome, "tsHome"}}) {
        auto* page = new TTabSheet;
        page->setObjectName(QLatin1String(name));
        pcMenubar->addTab(page, QString());
        page->SetCaption(QLatin1String(name));
        *sheet = page;
    }
    BuildHomeTab();
    pcMenubar->setCurrentWidget(tsHome);

    // The File tab is a menu: choosing it opens ppFile and leaves the ribbon
    // on the page it showed.
    connect(pcMenubar, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != 0) {
            m_lastFileTab = index;
            return;
        }
        pcMenubar->setCurrentIndex(m_lastFileTab);
        const QRect tab = pcMenubar->tabBar()->tabRect(0);
        ppFile->popup(pcMenubar->tabBar()->mapToGlobal(tab.bottomLeft()));
    });
}

QWidget* TfrmMain::BuildGroup(const QString& labelName, const QList<QAction*>& actions,
                              QWidget* extra) {
    auto* group = new QWidget(tsHome);
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(2, 2, 2, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    for (QAction* action : actions) {
        auto* button = new QToolButton(group);
        button->setObjectName(QStringLiteral("btn") + action->objectName().mid(3));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(kImageSize, kImageSize));
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setAutoRaise(true);
        row->addWidget(button);
    }
    if (extra)
        row->addWidget(extra);
    column->addLayout(row);
    auto* label = new QLabel(labelName, group);
    label->setObjectName(labelName);
    label->setAlignment(Qt::AlignCenter);
    // The group label lights up under the mouse.
    label->setStyleSheet(
        QStringLiteral("QLabel { color: palette(dark); padding: 1px 4px; }"
                       "QLabel:hover { background: palette(button); color: palette(text); }"));
    column->addWidget(label);
    return group;
}

void TfrmMain::BuildHomeTab() {
    auto* layout = new QHBoxLayout(tsHome);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto divider = [this] {
        auto* line = new QFrame(tsHome);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        line->setFixedWidth(4);
        return line;
    };
    auto* grip = new QFrame(tsHome);
    grip->setObjectName(QStringLiteral("pnlGrip"));
    grip->setFixedWidth(7);
    grip->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(grip);

    layout->addWidget(BuildGroup(QStringLiteral("lbNavigation"),
                                 {actDataSet[0], actDataSet[1], actDataSet[2], actDataSet[3]}));
    layout->addWidget(divider());
    layout->addWidget(
        BuildGroup(QStringLiteral("lbDataset"),
                   {actDataSet[4], actDataSet[5], actDataSet[6], actDataSet[7], actDataSet[8]}));
    layout->addWidget(divider());
    layout->addWidget(
        BuildGroup(QStringLiteral("lbEdit"), {actEdit[0], actEdit[1], actEdit[2], actEdit[3]}));
    layout->addWidget(divider());

    auto* options = new QWidget(tsHome);
    auto* optionsColumn = new QVBoxLayout(options);
    optionsColumn->setContentsMargins(6, 6, 6, 6);
    cbShowHomePage = new QCheckBox(options);
    cbShowHomePage->setObjectName(QStringLiteral("cbShowHomePage"));
    cbShowStatusBar = new QCheckBox(options);
    cbShowStatusBar->setObjectName(QStringLiteral("cbShowStatusBar"));
    // Each check box mirrors its action: caption, hint and check state.
    for (auto [box, action] : {std::pair{cbShowHomePage, actShowHomePage},
                               std::pair{cbShowStatusBar, actShowStatusBar}}) {
        optionsColumn->addWidget(box);
        auto sync = [box, action] {
            box->setText(action->text());
            box->setToolTip(action->toolTip());
            box->setStatusTip(action->toolTip());
            box->setChecked(action->isChecked());
        };
        connect(action, &QAction::changed, box, sync);
        connect(box, &QCheckBox::clicked, action, [action](bool) { action->trigger(); });
        sync();
    }
    optionsColumn->addStretch();
    layout->addWidget(BuildGroup(QStringLiteral("lbOptions"), {}, options));
    layout->addStretch(1);
}

void TfrmMain::BuildStatusBar() {
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(StatusBar);
    static const struct {
        int width;
        Qt::Alignment align;
    } panels[] = {{380, Qt::AlignLeft}, {75, Qt::AlignRight}, {100, Qt::AlignLeft}};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(panels[i].width);
        panel->setAlignment(panels[i].align | Qt::AlignVCenter);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar->addWidget(panel);
        StatusPanels[i] = panel;
    }
}

// --- Status and hints ----------------------------------------------------

void TfrmMain::SetStatusText(const QString& text) {
    StatusPanels[0]->setText(text);
    LogLine(QStringLiteral("status"), text);
}

QString TfrmMain::StatusText() const {
    return StatusPanels[0]->text();
}

void TfrmMain::ShowHint(const QString& hint) {
    StatusPanels[0]->setText(HTML2Text(hint));
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::UpdateActionStates() {
    QWidget* focus = QApplication::focusWidget();
    IDataSetActionTarget* target = FindDataSetActionTarget(focus);
    if (!target && MDIArea && MDIArea->activeSubWindow())
        target = FindDataSetActionTarget(MDIArea->activeSubWindow()->widget());
    for (int i = 0; i < 9; ++i)
        actDataSet[i]->setEnabled(target &&
                                  target->DataSetActionEnabled(static_cast<TDataSetAction>(i)));
    for (int i = 0; i < 4; ++i)
        actEdit[i]->setEnabled(EditActionEnabled(focus, static_cast<TEditAction>(i)));
}

// --- Start-up sequence ---------------------------------------------------

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The sequence starts once the window is on the screen.
    QMetaObject::invokeMethod(
        this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TfrmMain::CloseSplash() {
    if (m_splash)
        m_splash->close();
}

void TfrmMain::FailAndClose(const QString& message) {
    LogLine(QStringLiteral("startup"), QStringLiteral("failed: ") + message);
    m_startFailed = true;
    CloseSplash();
    ShowError(message);
    close();
}

void TfrmMain::FormShow() {
    if (m_stage != TStage::Created)
        return;
    m_stage = TStage::Loading;
    SetStatusText(MainText("msgLoading"));
    ADOConnection.Close();
    ADOConnection.SetExclusive(true);
    // The resource database is only read.
    ADOConnection.SetReadOnly(true);

    m_resourcePath = ResourceDatabasePath(m_options);
    if (m_resourcePath.isEmpty()) {
        // The bare runtime is no application.
        LogLine(QStringLiteral("startup"), QStringLiteral("no resource database named"));
        CloseSplash();
        close();
        return;
    }
    LogLine(QStringLiteral("startup"), QStringLiteral("resource database: ") + m_resourcePath);
    ADOConnection.SetDataSource(m_resourcePath);

    QString version;
    try {
        ADOConnection.Open();
        ValidateResourceDatabase(ADOConnection, m_application);
        version = m_application.GetParam(psCommon, QStringLiteral("Version"), QString());
        setWindowTitle(windowTitle() + u' ' + version);

        // Skins are not offered yet: the File menu has no skin choice.
        actChangeSkin->setVisible(false);
        LoadSettings();
    } catch (const ERuntimeError& e) {
        FailAndClose(e.message());
        return;
    }
    m_stage = TStage::Waiting;
    TimerInit->start(m_options.InitInterval);
}

void TfrmMain::TimerInitTimer() {
    TimerInit->stop();
    if (m_stage != TStage::Waiting)
        return;
    CloseSplash();
    m_stage = TStage::UpdatingData;
    try {
        m_dataPath =
            DataDatabasePath(m_options, m_resourcePath,
                             m_application.GetIntParam(psWindows, QStringLiteral("setup"), 0) == 1,
                             MainText("SharedDatabases"));
        LogLine(QStringLiteral("startup"), QStringLiteral("data database: ") + m_dataPath);
        ADOConnectionData.Close();
        ADOConnectionData.SetExclusive(true);
        ADOConnectionData.SetDataSource(m_dataPath);

        SetStatusText(MainText("msgDBUpdate"));
        m_dbUpdate.SynchronizeDataSchema();
        ADOConnectionData.Open();
    } catch (const ERuntimeError& e) {
        FailAndClose(e.message());
        return;
    }

    switch (SavedWindowState) {
    case 1:
        showMinimized();
        break;
    case 2:
        showMaximized();
        break;
    default:
        break;
    }
    setEnabled(true);

    m_stage = TStage::Login;
    SetStatusText(MainText("msgLogin"));
    if (!m_login) {
        m_ownLogin = std::make_unique<TfrmLogin>(this);
        m_login = m_ownLogin.get();
    }
    try {
        if (!RunLogin(*m_login, ADOConnection, ADOConnectionData, m_application)) {
            close(); // a cancelled login ends the run without a message
            return;
        }
    } catch (const ERuntimeError& e) {
        FailAndClose(e.message());
        return;
    }

    try {
        BuildObjectMenu();
    } catch (const ERuntimeError& e) {
        ShowError(e.message());
    }
    m_stage = TStage::Ready;
    SetStatusText(MainText("msgReady"));
    emit Ready();
}

// --- Settings ------------------------------------------------------------

void TfrmMain::LoadSettings() {
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    const QString key = QStringLiteral("Software/") + ApplicationName() + u'/';
    bool ok = false;
    const int state = settings.value(key + objectName() + QStringLiteral("/WindowState"), 0)
                          .toString()
                          .toInt(&ok);
    SavedWindowState = ok && state >= 0 && state <= 2 ? quint8(state) : 0;
    actShowStatusBar->setChecked(
        ReadBool(settings, key + QStringLiteral("Settings/ShowStatusBar"), true));
    actShowHomePage->setChecked(
        ReadBool(settings, key + QStringLiteral("Settings/ShowHomePage"), true));
    m_skinName = settings.value(key + QStringLiteral("Settings/SkinName"), m_skinName).toString();
    StatusBar->setVisible(actShowStatusBar->isChecked());
    m_settingsLoaded = true;
}

void TfrmMain::SaveSettings() {
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    const QString key = QStringLiteral("Software/") + ApplicationName() + u'/';
    int state = 0;
    if (windowState() & Qt::WindowMinimized)
        state = 1;
    else if (windowState() & Qt::WindowMaximized)
        state = 2;
    settings.setValue(key + objectName() + QStringLiteral("/WindowState"), state);
    settings.setValue(key + QStringLiteral("Settings/ShowStatusBar"),
                      actShowStatusBar->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    settings.setValue(key + QStringLiteral("Settings/ShowHomePage"),
                      actShowHomePage->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (!m_skinName.isEmpty())
        settings.setValue(key + QStringLiteral("Settings/SkinName"), m_skinName);
    settings.sync();
}

// --- Closing -------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        m_stage = TStage::Closing;
        FormClose();
        FormDestroy();
    }
    event->accept();
}

void TfrmMain::FormClose() {
    m_globalVars.reset();
    TimerInit->stop();
    if (!m_pub || !ADOConnection.Connected())
        return;
    try {
        if (m_application.GetIntParam(psCommon, QStringLiteral("OrvPub"), 0) == 1)
            m_pub->exec();
    } catch (const ERuntimeError& e) {
        LogLine(QStringLiteral("shutdown"), e.message());
    }
}

void TfrmMain::FormDestroy() {
    // Settings are written only when they were read: an early exit must not
    // replace the user's settings by the design's.
    if (m_settingsLoaded) {
        SaveSettings();
        m_settingsLoaded = false;
    }
    MDIArea->closeAllSubWindows();
    try {
        ADOConnectionData.Close();
        ADOConnection.Close();
    } catch (const ERuntimeError& e) {
        LogLine(QStringLiteral("shutdown"), e.message());
    }
    LogLine(QStringLiteral("shutdown"), QStringLiteral("closed"));
}

// --- Tab strip and actions -----------------------------------------------

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MDITab && event->type() == QEvent::MouseButtonPress)
        MDITabMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::MDITabMouseDown(const QPoint& position) {
    TabMousePoint = position;
}

void TfrmMain::MDITabChange() {
    TimerTabChange->start();
}

void TfrmMain::TimerTabChangeTimer() {
    TimerTabChange->stop();
    QMdiSubWindow* active = MDIArea->activeSubWindow();
    if (active && active->widget() && active->widget()->inherits("TfrmForm") &&
        actShowHomePage->isChecked())
        pcMenubar->setCurrentWidget(tsHome);
}

void TfrmMain::actCloseExecute() {
    const int index = MDITab->tabAt(TabMousePoint);
    if (index < 0)
        return;
    if (auto* window = qobject_cast<QMdiSubWindow*>(MDITab->tabData(index).value<QObject*>()))
        window->close();
}

void TfrmMain::actAboutExecute() {
    if (m_about)
        m_about->Execute();
}

void TfrmMain::actShowStatusbarExecute() {
    StatusBar->setVisible(actShowStatusBar->isChecked());
}

// --- Object menu and child windows ---------------------------------------

const char* const TfrmMain::qrySelectObjects =
    "SELECT CATEGORY, NORDER, 0 as OBJECT_TYPE, PK_FORM AS ID, CAPTION\n"
    "FROM T_FORM, T_SECURITY_FORM, T_SECURITY_PROFIL\n"
    "WHERE PK_FORM=FK_FORM AND PK_PROFIL=FK_PROFIL AND PROFIL=:PROFIL1\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 1 as OBJECT_TYPE, PK_VIEW AS ID, CAPTION\n"
    "FROM T_VIEW, T_SECURITY_VIEW, T_SECURITY_PROFIL\n"
    "WHERE FVISIBLE=true AND PK_VIEW=FK_VIEW AND PK_PROFIL=FK_PROFIL AND PROFIL=:PROFIL2\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 2 as OBJECT_TYPE, PK_REPORT AS ID, CAPTION\n"
    "FROM T_REPORT, T_SECURITY_REPORT, T_SECURITY_PROFIL\n"
    "WHERE PK_REPORT=FK_REPORT AND PK_PROFIL=FK_PROFIL AND PROFIL=:PROFIL3\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 3 as OBJECT_TYPE, PK_QSTAT AS ID, CAPTION\n"
    "FROM T_QSTAT, T_SECURITY_QSTAT, T_SECURITY_PROFIL\n"
    "WHERE PK_QSTAT=FK_QSTAT AND PK_PROFIL=FK_PROFIL AND PROFIL=:PROFIL4\n"
    "ORDER BY 1,2 ASC";

const char* const TfrmMain::qrySelectObjectsAll =
    "SELECT CATEGORY, NORDER, 0 as OBJECT_TYPE, PK_FORM AS ID, CAPTION FROM T_FORM\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 1 as OBJECT_TYPE, PK_VIEW AS ID, CAPTION FROM T_VIEW\n"
    "WHERE FVISIBLE=true\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 2 as OBJECT_TYPE, PK_REPORT AS ID, CAPTION FROM T_REPORT\n"
    "UNION\n"
    "SELECT CATEGORY, NORDER, 3 as OBJECT_TYPE, PK_QSTAT AS ID, CAPTION FROM T_QSTAT\n"
    "ORDER BY 1,2 ASC";

bool TfrmMain::IsPdfReaderInstalled() {
    // Reports are shown by Qt's PDF viewer: it is there when its module loads
    // ($ORV_PDF_VIEWER=0 makes it count as absent).
    if (qEnvironmentVariable("ORV_PDF_VIEWER") == u"0")
        return false;
    static const bool installed = [] {
        QLibrary viewer(QStringLiteral("Qt6PdfWidgets"), 6);
        return viewer.load();
    }();
    return installed;
}

void TfrmMain::BuildObjectMenu() {
    TQuery menu(ADOConnection);
    if (LoginState().AllRights) {
        menu.SetSQL(QLatin1String(qrySelectObjectsAll));
    } else {
        menu.SetSQL(QLatin1String(qrySelectObjects));
        for (const char* name : {"PROFIL1", "PROFIL2", "PROFIL3", "PROFIL4"})
            menu.SetParam(QLatin1String(name), LoginState().CurrentProfile);
    }
    static const char* const iconQueries[] = {
        "SELECT ICON, ICON_TYPE FROM T_FORM WHERE PK_FORM=:ID",
        "SELECT ICON, ICON_TYPE FROM T_VIEW WHERE PK_VIEW=:ID",
        "SELECT ICON, ICON_TYPE FROM T_REPORT WHERE PK_REPORT=:ID",
        "SELECT ICON, ICON_TYPE FROM T_QSTAT WHERE PK_QSTAT=:ID",
    };
    std::unique_ptr<TQuery> iconQuery[4];
    for (int i = 0; i < 4; ++i) {
        iconQuery[i] = std::make_unique<TQuery>(ADOConnection);
        iconQuery[i]->SetSQL(QLatin1String(iconQueries[i]));
    }
    const bool pdf = IsPdfReaderInstalled();
    bool reportLeftOut = false;
    QString previous;
    QWidget* tab = nullptr;
    QHBoxLayout* row = nullptr;
    for (menu.Open(); !menu.Eof(); menu.Next()) {
        const QString category = menu.AsString(0);
        if (category != previous) {
            auto* sheet = new TTabSheet;
            sheet->setObjectName(QStringLiteral("tsCategory%1").arg(pcMenubar->count()));
            pcMenubar->addTab(sheet, QString());
            sheet->SetCaption(category);
            row = new QHBoxLayout(sheet);
            row->setContentsMargins(0, 0, 0, 0);
            row->setSpacing(0);
            auto* grip = new QFrame(sheet);
            grip->setFixedWidth(7);
            grip->setFrameShape(QFrame::StyledPanel);
            row->addWidget(grip);
            auto* divider = new QFrame(sheet);
            divider->setObjectName(QStringLiteral("divider"));
            divider->setFrameShape(QFrame::VLine);
            divider->setFixedWidth(4);
            row->addWidget(divider);
            row->addStretch(1);
            tab = sheet;
            previous = category;
        }
        const int type = int(menu.AsInteger(2));
        if (type == 2 && !pdf) {
            reportLeftOut = true;
            continue;
        }
        if (!tab)
            continue;
        const int key = int(menu.AsInteger(3));
        auto* button = new QToolButton(tab);
        button->setText(menu.AsString(4));
        WritePublishedProperty(button, QStringLiteral("Tag"), key);
        button->setProperty("ImageIndex", type);
        button->setFixedWidth(105);
        button->setMinimumHeight(70);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(kImageSize, kImageSize));
        button->setAutoRaise(true);
        QPixmap picture;
        if (type >= 0 && type <= 3) {
            TQuery& icon = *iconQuery[type];
            icon.SetParam(QStringLiteral("ID"), key);
            icon.Open();
            if (!icon.Eof() && !icon.IsNull(0) && !icon.IsNull(1)) {
                // The stored picture goes through a file named by its extension.
                const QString file = TempFileName(TempFolder(), icon.AsString(1));
                QFile out(file);
                if (out.open(QIODevice::WriteOnly)) {
                    out.write(icon.Value(0).toByteArray());
                    out.close();
                    picture.load(file);
                }
                QFile::remove(file);
                if (!picture.isNull())
                    picture = picture.scaled(kImageSize, kImageSize, Qt::IgnoreAspectRatio,
                                             Qt::SmoothTransformation);
            }
            icon.Close();
        }
        button->setIcon(picture.isNull() ? BuiltInIcon(ObjectTypeImage(type)) : QIcon(picture));
        connect(button, &QToolButton::clicked, this, [this, button] { ObjectButtonClick(button); });
        // The buttons come in query order, before the divider.
        row->insertWidget(row->count() - 2, button);
    }
    menu.Close();
    pcMenubar->setCurrentWidget(tsHome);
    if (reportLeftOut)
        ShowError(Language().FormText(this, QStringLiteral("msgNoAcrobatReader"),
                                      QStringLiteral("msgNoAcrobatReader")));
}

void TfrmMain::ObjectButtonClick(QToolButton* button) {
    OpenObject(ReadPublishedProperty(button, QStringLiteral("Tag")).toInt(),
               button->property("ImageIndex").toInt(), button->text());
}

QObject* TfrmMain::OpenObject(int key, int type, const QString& caption) {
    return OpenObjectWindow(key, type, caption);
}

QWidget* TfrmMain::OpenObjectWindow(int key, int type, const QString& caption) {
    m_currentObjectId = key;
    const QString title =
        Language().FormText(this, QStringLiteral("object") + QString::number(type),
                            QString::number(type)) +
        QStringLiteral(" : ") + caption;
    for (QMdiSubWindow* window : MDIArea->subWindowList())
        if (window->windowTitle() == title) {
            if (qobject_cast<TfrmForm*>(window->widget()) && actShowHomePage->isChecked())
                pcMenubar->setCurrentWidget(tsHome);
            MDIArea->setActiveSubWindow(window);
            window->raise();
            return window->widget();
        }
    QWidget* child = nullptr;
    switch (type) {
    case 0:
        child = new TfrmForm;
        break;
    case 1:
        child = new TfrmView;
        break;
    case 2:
        child = new TfrmReport;
        break;
    case 3:
        child = new TfrmQStat;
        break;
    default:
        return nullptr;
    }
    QMdiSubWindow* window = MDIArea->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    child->setWindowTitle(title);
    window->show();
    if (auto* mdiChild = qobject_cast<TfrmMDIChild*>(child); mdiChild && !mdiChild->Expanded())
        mdiChild->ToggleExpanded();
    AddToTabStrip(window);
    if (type == 0 && actShowHomePage->isChecked())
        pcMenubar->setCurrentWidget(tsHome);
    LogLine(QStringLiteral("open"), title);
    return child;
}

void TfrmMain::AddToTabStrip(QWidget* window) {
    QSignalBlocker block(MDITab);
    const int index = MDITab->addTab(window->windowTitle());
    MDITab->setTabData(index, QVariant::fromValue<QObject*>(window));
    MDITab->setCurrentIndex(index);
    connect(window, &QObject::destroyed, MDITab, [this](QObject* gone) {
        for (int i = 0; i < MDITab->count(); ++i)
            if (MDITab->tabData(i).value<QObject*>() == gone) {
                MDITab->removeTab(i);
                break;
            }
    });
    connect(window, &QWidget::windowTitleChanged, MDITab, [this, window](const QString& title) {
        for (int i = 0; i < MDITab->count(); ++i)
            if (MDITab->tabData(i).value<QObject*>() == window)
                MDITab->setTabText(i, title);
    });
}

QObject* TfrmMain::OpenObjectById(int key, int type) {
    QString caption;
    for (int page = 1; page < pcMenubar->count() && caption.isEmpty(); ++page)
        for (QToolButton* button : pcMenubar->widget(page)->findChildren<QToolButton*>())
            if (ReadPublishedProperty(button, QStringLiteral("Tag")).toInt() == key &&
                button->property("ImageIndex").isValid() &&
                button->property("ImageIndex").toInt() == type) {
                caption = button->text();
                break;
            }
    return OpenObject(key, type, caption);
}

QObject* TfrmMain::OpenFormByTable(const QString& table, int recordKey) {
    if (table.isEmpty())
        return nullptr;
    TQuery form(ADOConnection);
    form.SetSQL(QStringLiteral("SELECT PK_FORM, CAPTION FROM T_FORM WHERE TABLE_NAME=:TABLE_NAME"));
    form.SetParam(QStringLiteral("TABLE_NAME"), table);
    form.Open();
    const int key = form.Eof() ? 0 : int(form.AsInteger(0));
    const QString caption = form.Eof() ? QString() : form.AsString(1);
    form.Close();
    QObject* window = OpenObject(key, 0, caption);
    // Moving to the record comes with the form's record set.
    Q_UNUSED(recordKey);
    return window;
}

void TfrmMain::SetStatusPanel(int panel, const QString& text) {
    if (panel >= 0 && panel < 3)
        StatusPanels[panel]->setText(text);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!MDIArea)
        return;
    for (QMdiSubWindow* window : MDIArea->subWindowList())
        if (auto* child = qobject_cast<TfrmMDIChild*>(window->widget()))
            child->FitToFrame();
}
