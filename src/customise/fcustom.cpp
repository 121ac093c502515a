#include "fcustom.h"

#include "columnsandcolours.h"
#include "filtergrouppage.h"

#include "module/mpublic.h"
#include "persist/corvanpersist.h"
#include "viewer/archiveloader.h"
#include "viewer/fevents.h"

#include "errors/errorroutes.h"
#include "platform/desktop/desktopservices.h"
#include "platform/variant.h"
#include "platform/vberror.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Ostraven {

namespace {

const QString useObjectDefault = QStringLiteral("Use Object Default");
constexpr int localizerWindowNumber = 18;
constexpr qint32 generalHelpContext = 55;
constexpr qint32 filtersHelpContext = 54;
constexpr int informationIcon = msgBoxStyle(MsgBoxIcon::Information);
constexpr int lowestMaxLines = 1;
constexpr int highestMaxLines = 1500;
constexpr int maxLinesOutOfRangeText = 283;
constexpr int defaultMaxLines = 100;
// Where the stretch control waits while no control is being edited.
constexpr int stretchParkedLeft = -700000;
// The list's check-box column leaves this much of the list's width free (120 of the form's units).
constexpr int columnListMargin = 8;

QString arrayName(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <typename Widget>
Widget *named(Widget *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    return named(widget, QString::fromLatin1(name));
}

// The caption a translator edits: a button's or label's text, a frame's title, the shown tab's text.
std::optional<QString> captionOf(QWidget *control)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(control))
        return tabs->tabText(tabs->currentIndex());
    if (qobject_cast<QGroupBox *>(control))
        return control->property("title").toString();
    if (qobject_cast<QLabel *>(control) || qobject_cast<QAbstractButton *>(control))
        return control->property("text").toString();
    return std::nullopt;
}

void setCaptionOf(QWidget *control, const QString &caption)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(control)) {
        tabs->setTabText(tabs->currentIndex(), caption);
        return;
    }
    control->setProperty(qobject_cast<QGroupBox *>(control) ? "title" : "text", caption);
}

} // namespace

FCustom::FCustom(MPublic &module, QWidget *parent)
    : QDialog(parent),
      m_module(module),
      m_filterPage(std::make_unique<FilterGroupPage>(*this, module)),
      m_columns(std::make_unique<ColumnsAndColours>(*this, module))
{
    setObjectName(QStringLiteral("FCustom"));
    setWindowTitle(QStringLiteral("Event Viewer Properties"));
    setModal(false);

    tTab = named(new QTabWidget(this), "tTab");
    auto *general = new QWidget;
    auto *filters = new QWidget;
    tTab->addTab(general, QStringLiteral("&General"));
    tTab->addTab(filters, QStringLiteral("&Filters"));
    buildGeneralTab(general);
    buildFiltersTab(filters);

    const char *commandCaptions[] = {"OK", "Cancel", "&Help"};
    for (int i = 0; i < 3; ++i)
        Command1[std::size_t(i)] = named(new QPushButton(QString::fromLatin1(commandCaptions[i]), this),
                                         arrayName("Command1", i));
    btnRestore = named(new QPushButton(QStringLiteral("Restore"), this), "btnRestore");

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnRestore);
    buttons->addStretch();
    for (QPushButton *button : Command1)
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tTab);
    layout->addLayout(buttons);

    MhS = named(new QFrame(this), "MhS");
    MhS->setFrameStyle(QFrame::Box | QFrame::Plain);
    MhS->setLineWidth(2);
    MhS->setAttribute(Qt::WA_TransparentForMouseEvents);
    MhS->hide();
    MhS->move(stretchParkedLeft, 0);
    MhS->installEventFilter(this);
    captionEditor = named(new QLineEdit(this), "captionEditor");
    captionEditor->hide();
    connect(captionEditor, &QLineEdit::editingFinished, this, &FCustom::commitCaption);

    // The translator's switch into and out of design mode; only a localizer the host allows
    // customising answers it.
    auto *designSwitch = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+L")), this);
    connect(designSwitch, &QShortcut::activated, this, [this] {
        if (designMode)
            Localizer_ExitDesignMode();
        else if (m_customizing)
            Localizer_EnterDesignMode();
    });

    connectHandlers();
    resize(560, 520);
}

FCustom::~FCustom() = default;

void FCustom::buildGeneralTab(QWidget *page)
{
    fraGeneral[0] = named(new QGroupBox(QStringLiteral("Column Headers"), page), arrayName("fraGeneral", 0));
    fraGeneral[1] = named(new QGroupBox(QStringLiteral("Colors"), page), arrayName("fraGeneral", 1));
    fraGeneral[2] = named(new QGroupBox(QStringLiteral("Options"), page), arrayName("fraGeneral", 2));

    lvwCols = named(new QTreeWidget(fraGeneral[0]), "lvwCols");
    lvwCols->setColumnCount(1);
    lvwCols->setHeaderHidden(true);
    lvwCols->setRootIsDecorated(false);
    cmdMove[0] = named(new QPushButton(QStringLiteral("Move &Up"), fraGeneral[0]), arrayName("cmdMove", 0));
    cmdMove[1] = named(new QPushButton(QStringLiteral("&Move Down"), fraGeneral[0]), arrayName("cmdMove", 1));
    Label4 = named(new QLabel(QStringLiteral("Chec&k an item to enable that column."), fraGeneral[0]), "Label4");
    Label4->setBuddy(lvwCols);
    auto *columns = new QGridLayout(fraGeneral[0]);
    columns->addWidget(Label4, 0, 0, 1, 2);
    columns->addWidget(lvwCols, 1, 0, 3, 1);
    columns->addWidget(cmdMove[0], 1, 1);
    columns->addWidget(cmdMove[1], 2, 1);

    Label3 = named(new QLabel(QStringLiteral("E&vent Viewer Colors"), fraGeneral[1]), "Label3");
    Label5 = named(new QLabel(QStringLiteral("Event Colors"), fraGeneral[1]), "Label5");
    Label6 = named(new QLabel(QStringLiteral("Note: Click on color box to change color for that item."),
                              fraGeneral[1]),
                   "Label6");
    auto *colours = new QGridLayout(fraGeneral[1]);
    QLabel *colourLabels[] = {Label3, Label5};
    for (int i = 0; i < 2; ++i) {
        cmbColor[std::size_t(i)] = named(new QComboBox(fraGeneral[1]), arrayName("cmbColor", i));
        QFrame *swatch = named(new QFrame(fraGeneral[1]), arrayName("pbxSample", i));
        swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
        swatch->setAutoFillBackground(true);
        swatch->setFixedSize(40, 20);
        swatch->setCursor(Qt::PointingHandCursor);
        pbxSample[std::size_t(i)] = swatch;
        colourLabels[i]->setBuddy(cmbColor[std::size_t(i)]);
        colours->addWidget(colourLabels[i], 2 * i, 0, 1, 2);
        colours->addWidget(cmbColor[std::size_t(i)], 2 * i + 1, 0);
        colours->addWidget(swatch, 2 * i + 1, 1);
    }
    colours->addWidget(Label6, 4, 0, 1, 2);

    chkDipslayEventsAtTop = named(new QCheckBox(QStringLiteral("Display new events at top of list"), fraGeneral[2]),
                                  "chkDipslayEventsAtTop");
    chkLoadCachedEvents = named(new QCheckBox(QStringLiteral("Load cached events"), fraGeneral[2]),
                                "chkLoadCachedEvents");
    Label1 = named(new QLabel(QStringLiteral("Maximum lines to display:"), fraGeneral[2]), "Label1");
    txtMaxLines = named(new QLineEdit(QStringLiteral("1000"), fraGeneral[2]), "txtMaxLines");
    Label1->setBuddy(txtMaxLines);
    auto *options = new QGridLayout(fraGeneral[2]);
    options->addWidget(chkDipslayEventsAtTop, 0, 0, 1, 2);
    options->addWidget(chkLoadCachedEvents, 1, 0, 1, 2);
    options->addWidget(Label1, 2, 0);
    options->addWidget(txtMaxLines, 2, 1);

    auto *layout = new QGridLayout(page);
    layout->addWidget(fraGeneral[0], 0, 0, 2, 1);
    layout->addWidget(fraGeneral[1], 0, 1);
    layout->addWidget(fraGeneral[2], 1, 1);
}

void FCustom::buildFiltersTab(QWidget *page)
{
    lblFilterGroup = named(new QLabel(QStringLiteral("Fil&ter Group:"), page), "lblFilterGroup");
    cmbFilterGroup = named(new QComboBox(page), "cmbFilterGroup");
    cmbFilterGroup->setEditable(true);
    cmbFilterGroup->setInsertPolicy(QComboBox::NoInsert);
    lblFilterGroup->setBuddy(cmbFilterGroup);
    FilterGroup[0] = named(new QPushButton(QStringLiteral("&Save"), page), arrayName("FilterGroup", 0));
    FilterGroup[1] = named(new QPushButton(QStringLiteral("&Delete"), page), arrayName("FilterGroup", 1));

    Frame1 = named(new QGroupBox(QStringLiteral("Filter Type"), page), "Frame1");
    optType[0] = named(new QRadioButton(QStringLiteral("Limit: Only the criteria selected will be shown in the Event Viewer"),
                                        Frame1),
                       arrayName("optType", 0));
    optType[1] = named(new QRadioButton(QStringLiteral("Exclusion: The selected criteria will NOT be shown in the Event Viewer"),
                                        Frame1),
                       arrayName("optType", 1));
    optType[0]->setChecked(true);
    auto *types = new QVBoxLayout(Frame1);
    types->addWidget(optType[0]);
    types->addWidget(optType[1]);

    fraBuilder = named(new QGroupBox(QStringLiteral("Criteria Builder"), page), "fraBuilder");
    const char *labelCaptions[] = {"Security Domain:", "Port:", "Controllers:", "Ardo:", "Event:", "Point:", "Server:"};
    for (int i = 0; i < int(Label2.size()); ++i)
        Label2[std::size_t(i)] = named(new QLabel(QString::fromLatin1(labelCaptions[i]), fraBuilder), arrayName("Label2", i));
    cmbSD = named(new QComboBox(fraBuilder), "cmbSD");
    cmbPort = named(new QComboBox(fraBuilder), "cmbPort");
    cboController = named(new QComboBox(fraBuilder), "cboController");
    cmbArdo = named(new QComboBox(fraBuilder), "cmbArdo");
    cmbEvent = named(new QComboBox(fraBuilder), "cmbEvent");
    cmbPoint = named(new QComboBox(fraBuilder), "cmbPoint");
    cmbServer = named(new QComboBox(fraBuilder), "cmbServer");
    Label7 = named(new QLabel(QStringLiteral("AND"), fraBuilder), "Label7");
    AddFilter = named(new QPushButton(QStringLiteral("&Add"), fraBuilder), "AddFilter");
    QComboBox *pickers[] = {cmbSD, cmbPort, cboController, cmbArdo, cmbEvent, cmbPoint, cmbServer};
    auto *builder = new QGridLayout(fraBuilder);
    for (int i = 0; i < int(Label2.size()); ++i) {
        Label2[std::size_t(i)]->setBuddy(pickers[i]);
        builder->addWidget(Label2[std::size_t(i)], i, 0);
        builder->addWidget(pickers[i], i, 1);
    }
    builder->addWidget(Label7, 4, 2);
    builder->addWidget(AddFilter, int(Label2.size()), 1);

    fraSelectedFilters = named(new QGroupBox(QStringLiteral("Selected Criteria   (Each line is OR'd with the next)"), page),
                               "fraSelectedFilters");
    lstSelectedFilters = named(new QTreeWidget(fraSelectedFilters), "lstSelectedFilters");
    lstSelectedFilters->setColumnCount(2);
    lstSelectedFilters->setHeaderLabels({QStringLiteral("Filter Description"), QStringLiteral("SQL")});
    lstSelectedFilters->setRootIsDecorated(false);
    DeleteFilter = named(new QPushButton(QStringLiteral("D&elete"), fraSelectedFilters), "DeleteFilter");
    auto *selected = new QVBoxLayout(fraSelectedFilters);
    selected->addWidget(lstSelectedFilters);
    selected->addWidget(DeleteFilter, 0, Qt::AlignRight);

    auto *groupRow = new QHBoxLayout;
    groupRow->addWidget(lblFilterGroup);
    groupRow->addWidget(cmbFilterGroup, 1);
    groupRow->addWidget(FilterGroup[0]);
    groupRow->addWidget(FilterGroup[1]);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(groupRow);
    layout->addWidget(Frame1);
    layout->addWidget(fraBuilder);
    layout->addWidget(fraSelectedFilters, 1);
}

void FCustom::connectHandlers()
{
    for (int i = 0; i < 3; ++i)
        connect(Command1[std::size_t(i)], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    connect(btnRestore, &QPushButton::clicked, this, &FCustom::btnRestore_Click);
    for (int i = 0; i < 2; ++i) {
        connect(cmdMove[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdMove_Click(i); });
        connect(FilterGroup[std::size_t(i)], &QPushButton::clicked, this, [this, i] { FilterGroup_Click(i); });
        connect(cmbColor[std::size_t(i)], &QComboBox::activated, this, [this, i] { cmbColor_Click(i); });
    }
    connect(AddFilter, &QPushButton::clicked, this, &FCustom::AddFilter_Click);
    connect(DeleteFilter, &QPushButton::clicked, this, &FCustom::DeleteFilter_Click);
    connect(chkDipslayEventsAtTop, &QCheckBox::clicked, this, &FCustom::chkDipslayEventsAtTop_Click);
    connect(chkLoadCachedEvents, &QCheckBox::clicked, this, &FCustom::chkLoadCachedEvents_Click);
    connect(tTab, &QTabWidget::currentChanged, this, &FCustom::tTab_Click);
    connect(cmbFilterGroup, &QComboBox::activated, this, &FCustom::cmbFilterGroup_Click);
    connect(cmbFilterGroup->lineEdit(), &QLineEdit::textEdited, this, &FCustom::cmbFilterGroup_Change);

    // Key presses, got-focus and the design-mode selection come through the event filter.
    for (QWidget *control : std::initializer_list<QWidget *>{
             txtMaxLines, cmbFilterGroup, cboController, cmbEvent, cmbPoint, cmbPort, cmbSD, cmbServer, cmbArdo,
             cmbColor[0], cmbColor[1], pbxSample[0], pbxSample[1], lstSelectedFilters->viewport(),
             lvwCols->viewport(), optType[0], optType[1], tTab->tabBar(), fraBuilder, fraGeneral[0], fraGeneral[1],
             fraGeneral[2], fraSelectedFilters, Label1, Label3, Label4, Label5, Label6, lblFilterGroup, Frame1, Label7,
             chkDipslayEventsAtTop, chkLoadCachedEvents, Command1[0], Command1[1], Command1[2], btnRestore,
             cmdMove[0], cmdMove[1], FilterGroup[0], FilterGroup[1], AddFilter, DeleteFilter})
        watch(control);
    for (QLabel *label : Label2)
        watch(label);
}

void FCustom::watch(QWidget *control)
{
    control->installEventFilter(this);
}

// The control a watched widget stands for: list viewports and the tab bar belong to their owners.
static QWidget *controlOf(QObject *watched)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (widget && !widget->objectName().isEmpty())
        return widget;
    return widget ? widget->parentWidget() : nullptr;
}

bool FCustom::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == MhS) {
        if (event->type() == QEvent::Resize && designMode)
            MhS_Resize();
        return QDialog::eventFilter(watched, event);
    }
    QWidget *control = controlOf(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (designMode && control) {
            designSelect(control);
            return true;
        }
        if (control == pbxSample[0] || control == pbxSample[1])
            pbxSample_Click(control == pbxSample[0] ? 0 : 1);
        break;
    case QEvent::KeyPress:
        if (watched == txtMaxLines) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Backspace || (!key->text().isEmpty() && key->text().at(0).unicode() < 128
                                                    && key->text().at(0).isPrint())) {
                int code = key->key() == Qt::Key_Backspace ? 8 : key->text().at(0).unicode();
                txtMaxLines_KeyPress(code);
                if (code == 0)
                    return true;
            }
        }
        break;
    case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Coming back from a message box or another window is not the operator moving to the control.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        if (watched == cmbFilterGroup)
            cmbFilterGroup_GotFocus();
        else if (watched == cmbColor[0] || watched == cmbColor[1])
            cmbColor_GotFocus(watched == cmbColor[0] ? 0 : 1);
        else if (qobject_cast<QComboBox *>(watched) && designMode)
            designSelect(control);
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void FCustom::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void FCustom::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Form_Unload();
    hide();
}

void FCustom::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void FCustom::closeEvent(QCloseEvent *event)
{
    QDialog::closeEvent(event);
    if (!m_unloaded)
        m_module.windows().unloadCustom();
}

void FCustom::reject()
{
    QDialog::reject();
    if (!m_unloaded)
        m_module.windows().unloadCustom();
}

void FCustom::Form_Load()
{
    guarded(m_module.errors(), QStringLiteral("FCustom: Form_Load"), [&] {
        m_module.desktop().setOwnerWindow(this, quintptr(CLng(m_module.parent().get(QStringLiteral("hwnd")))));
        if (CBool(m_module.nt().get(QStringLiteral("EnableCustomize")))) {
            Localizer.setConnection(m_module.host.DBConnection);
            Localizer.setWindowNumber(localizerWindowNumber);
            Localizer.setVersion(ErrorHandling::fileVersion());
            Localizer.localize(this);
            Localizer.setEnabled(true);
            m_customizing = true;
        }
        InitForm();
        tTab->setCurrentIndex(m_module.view.openOnFilters ? 1 : 0);
        pendingChanges = false;
        m_module.desktop().setBusyCursor(false);
    });
}

void FCustom::InitForm()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.InitForm"), [&] {
        const bool admin = m_module.host.IsAdmin;
        if (admin)
            m_filterPage->fillPickers();
        {
            const QSignalBlocker blocker(cmbFilterGroup);
            m_filterPage->fillFilterGroups();
            cmbFilterGroup->setCurrentIndex(-1);
        }
        m_filterPage->SetFeaturesEnabled(admin);
        if (admin) {
            for (QComboBox *picker : {cmbSD, cmbPort, cboController, cmbArdo, cmbEvent})
                picker->setCurrentIndex(0);
        }
        for (int i = 0; i < cmbFilterGroup->count(); ++i) {
            if (cmbFilterGroup->itemData(i, Qt::UserRole).toInt() != m_module.profile.FilterGroupID)
                continue;
            {
                const QSignalBlocker blocker(cmbFilterGroup);
                cmbFilterGroup->setCurrentIndex(i);
                cmbFilterGroup->setEditText(cmbFilterGroup->itemText(i));
            }
            cmbFilterGroup_Click();
            break;
        }
        InitColors();
        InitColumnHeaders();
        txtMaxLines->setText(QString::number(m_module.profile.MaxLines));
        chkDipslayEventsAtTop->setChecked(m_module.profile.DisplayEventsAtTop);
        chkLoadCachedEvents->setChecked(m_module.profile.LoadCachedEvents);
        lstSelectedFilters->setColumnWidth(0, lstSelectedFilters->viewport()->width());
        lvwCols->setColumnWidth(0, std::max(0, lvwCols->viewport()->width() - columnListMargin));
    });
}

void FCustom::Form_Activate()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.Form_Activate"), [&] {
        HelpContextID = generalHelpContext;
        m_module.view.restoreDefaults = false;
    });
}

void FCustom::Form_Unload()
{
    guarded(m_module.errors(), QStringLiteral("FCustom: Form_Unload"), [&] {
        Localizer.windowUnloaded(quintptr(qint32(winId())));
        m_module.desktop().setOwnerWindow(this, m_previousOwner);
    });
}

void FCustom::tTab_Click()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.tTab_Click"), [&] {
        const qint32 context = tTab->currentIndex() == 1 ? filtersHelpContext : generalHelpContext;
        m_module.parent().callWith(QStringLiteral("CallBack"), QStringLiteral("HELP"), context, qint32(0));
        HelpContextID = context;
    });
}

void FCustom::txtMaxLines_KeyPress(int &KeyAscii)
{
    guarded(m_module.errors(), QStringLiteral("FCustom: txtMaxLines_KeyPress"), [&] {
        constexpr int backspace = 8;
        if (KeyAscii != backspace && (KeyAscii < '0' || KeyAscii > '9'))
            KeyAscii = 0;
    });
    lastKeyResult = KeyAscii;
}

void FCustom::Command1_Click(int Index)
{
    if (designMode) {
        designSelect(Command1.at(std::size_t(Index)));
        return;
    }
    DesktopServices &desktop = m_module.desktop();
    bool close = false;
    guarded(m_module.errors(), QStringLiteral("FCustom.Command1_Click"), [&] {
        desktop.setBusyCursor(true);
        switch (Index) {
        case 0:
            close = runOk();
            break;
        case 1:
            close = true;
            break;
        case 2:
            m_module.nt().callWith(QStringLiteral("ShowHelp"), HelpContextID);
            break;
        default:
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        }
    });
    desktop.setBusyCursor(false);
    if (close)
        m_module.windows().unloadCustom();
}

bool FCustom::validateMaxLines(qint32 &maxLines)
{
    if (txtMaxLines->text().isEmpty())
        txtMaxLines->setText(QString::number(defaultMaxLines));
    maxLines = CLng(Variant(txtMaxLines->text()));
    if (maxLines >= lowestMaxLines && maxLines <= highestMaxLines)
        return true;
    m_module.desktop().setBusyCursor(false);
    m_module.desktop().msgBox(CStr(m_module.nt().callWith(QStringLiteral("GRS"), qint32(maxLinesOutOfRangeText))),
                              informationIcon, m_module.errors().title());
    return false;
}

// The OK action; true when everything was applied and the dialog may close.
bool FCustom::runOk()
{
    DesktopServices &desktop = m_module.desktop();
    qint32 maxLines = 0;
    if (!validateMaxLines(maxLines))
        return false;
    bool anyVisible = false;
    for (int i = 0; i < lvwCols->topLevelItemCount(); ++i)
        anyVisible = anyVisible || lvwCols->topLevelItem(i)->checkState(0) == Qt::Checked;
    if (!anyVisible) {
        desktop.setBusyCursor(false);
        desktop.msgBox(QStringLiteral("At least one column header must be visible."), informationIcon,
                       m_module.errors().title());
        return false;
    }

    const bool restore = m_module.view.restoreDefaults;
    if (restore) {
        {
            const QSignalBlocker blocker(cmbFilterGroup);
            cmbFilterGroup->setCurrentIndex(0);
            cmbFilterGroup->setEditText(cmbFilterGroup->itemText(0));
        }
        cmbFilterGroup_Click();
    }
    if (!SaveFilterGroup()) {
        desktop.setBusyCursor(false);
        return false;
    }
    const int groupIndex = m_filterPage->groupListIndex();
    if (groupIndex >= 0)
        m_module.profile.FilterGroupID = cmbFilterGroup->itemData(groupIndex, Qt::UserRole).toInt();

    m_module.profile.MaxLinesSetting = restore ? defaultMaxLines : maxLines;
    m_module.profile.MaxLines = m_module.profile.MaxLinesSetting;
    m_module.profile.LoadCachedEvents = restore || chkLoadCachedEvents->isChecked();
    m_module.profile.DisplayEventsAtTop = restore || chkDipslayEventsAtTop->isChecked();

    const QString colours = GetColors();
    m_module.profile.Colors = restore ? useObjectDefault : colours;
    const QString headers = applyColumns();
    m_module.profile.ColumnHeaders = restore ? useObjectDefault : headers;
    // The operator has seen and confirmed every setting the dialog shows; they are now the ones to keep.
    m_module.profile.unreadSettings.clear();

    CorvanPersist persist(m_module);
    persist.SavePersistence(m_module.windows().events());

    const bool grouped = m_module.profile.FilterGroupID > 0 && groupIndex != -1;
    persist.ApplyProfile(grouped ? std::optional<qint32>(cmbFilterGroup->itemData(groupIndex, Qt::UserRole).toInt())
                                 : std::nullopt);
    if (m_module.profile.LoadCachedEvents)
        ArchiveLoader(m_module).LoadArchivedEvents(QString());
    return true;
}

void FCustom::btnRestore_Click()
{
    if (designMode) {
        designSelect(btnRestore);
        return;
    }
    bool ran = guarded(m_module.errors(), QStringLiteral("FCustom.btnRestore_Click"), [&] {
        m_module.desktop().msgBox(
            QStringLiteral("You must close and re-open the Event Viewer before the changes will take effect."),
            informationIcon, m_module.errors().title());
        m_module.view.restoreDefaults = true;
    });
    if (ran)
        Command1_Click(0);
}

void FCustom::Localizer_EnterDesignMode()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.Localizer_EnterDesignMode"), [&] { designMode = true; });
}

void FCustom::Localizer_ExitDesignMode()
{
    guarded(m_module.errors(), QStringLiteral("FCustom: Localizer_ExitDesignMode"), [&] {
        tTab->setCurrentIndex(0);
        MhS->hide();
        MhS->move(stretchParkedLeft, MhS->y());
        commitCaption();
        captionEditor->hide();
        selectedControl = nullptr;
        designMode = false;
    });
}

void FCustom::MhS_Resize()
{
    guarded(m_module.errors(), QStringLiteral("FCustom: MhS_Resize"), [&] {
        if (!selectedControl || selectedControl->parentWidget() != MhS->parentWidget())
            return;
        constexpr int border = 3;
        selectedControl->setGeometry(MhS->geometry().adjusted(border, border, -border, -border));
    });
}

void FCustom::designSelect(QWidget *control)
{
    if (!designMode || !control)
        return;
    commitCaption();
    selectedControl = control;
    QWidget *container = control->parentWidget() ? control->parentWidget() : this;
    constexpr int border = 3;
    const QSignalBlocker blocker(MhS);
    MhS->setParent(container);
    MhS->installEventFilter(this);
    MhS->setGeometry(control->geometry().adjusted(-border, -border, border, border));
    MhS->show();
    MhS->raise();

    const std::optional<QString> caption = captionOf(control);
    if (!caption) {
        captionEditor->hide();
        return;
    }
    captionEditor->setParent(container);
    captionEditor->setGeometry(control->geometry());
    captionEditor->setText(*caption);
    captionEditor->show();
    captionEditor->raise();
    captionEditor->setFocus();
}

void FCustom::commitCaption()
{
    if (!selectedControl || captionEditor->isHidden())
        return;
    setCaptionOf(selectedControl, captionEditor->text());
}

// Columns and colours.

void FCustom::InitColors()
{
    m_columns->InitColors();
}

QString FCustom::GetColors()
{
    return m_columns->GetColors();
}

void FCustom::cmbColor_Click(int Index)
{
    m_columns->cmbColor_Click(Index);
}

void FCustom::pbxSample_Click(int Index)
{
    m_columns->pbxSample_Click(Index);
}

void FCustom::InitColumnHeaders()
{
    m_columns->InitColumnHeaders();
}

void FCustom::cmdMove_Click(int Index)
{
    m_columns->cmdMove_Click(Index);
}

QString FCustom::applyColumns()
{
    return m_columns->applyColumns();
}

// Filters tab.

void FCustom::cmbFilterGroup_Click()
{
    m_filterPage->cmbFilterGroup_Click();
}

void FCustom::cmbFilterGroup_Change()
{
    m_filterPage->cmbFilterGroup_Change();
}

void FCustom::cmbFilterGroup_GotFocus()
{
    if (designMode)
        designSelect(cmbFilterGroup);
    m_filterPage->cmbFilterGroup_GotFocus();
}

void FCustom::FilterGroup_Click(int Index)
{
    if (designMode) {
        designSelect(FilterGroup.at(std::size_t(Index)));
        return;
    }
    m_filterPage->FilterGroup_Click(Index);
}

void FCustom::AddFilter_Click()
{
    if (designMode) {
        designSelect(AddFilter);
        return;
    }
    m_filterPage->AddFilter_Click();
}

void FCustom::DeleteFilter_Click()
{
    if (designMode) {
        designSelect(DeleteFilter);
        return;
    }
    m_filterPage->DeleteFilter_Click();
}

bool FCustom::SaveFilterGroup()
{
    return m_filterPage->SaveFilterGroup();
}

// Handlers whose only work is the design-mode selection.

void FCustom::cboController_GotFocus() { designSelect(cboController); }
void FCustom::cmbColor_GotFocus(int Index) { designSelect(cmbColor.at(std::size_t(Index))); }
void FCustom::cmbEvent_GotFocus() { designSelect(cmbEvent); }
void FCustom::cmbPoint_GotFocus() { designSelect(cmbPoint); }
void FCustom::cmbPort_GotFocus() { designSelect(cmbPort); }
void FCustom::cmbSD_GotFocus() { designSelect(cmbSD); }
void FCustom::cmbServer_GotFocus() { designSelect(cmbServer); }
void FCustom::cmbArdo_GotFocus() { designSelect(cmbArdo); }
void FCustom::chkDipslayEventsAtTop_Click() { designSelect(chkDipslayEventsAtTop); }
void FCustom::chkLoadCachedEvents_Click() { designSelect(chkLoadCachedEvents); }
void FCustom::fraBuilder_Click() { designSelect(fraBuilder); }
void FCustom::fraGeneral_Click(int Index) { designSelect(fraGeneral.at(std::size_t(Index))); }
void FCustom::fraSelectedFilters_Click() { designSelect(fraSelectedFilters); }
void FCustom::Label1_Click() { designSelect(Label1); }
void FCustom::Label2_Click(int Index) { designSelect(Label2.at(std::size_t(Index))); }
void FCustom::Label3_Click() { designSelect(Label3); }
void FCustom::Label4_Click() { designSelect(Label4); }
void FCustom::Label5_Click() { designSelect(Label5); }
void FCustom::Label6_Click() { designSelect(Label6); }
void FCustom::lblFilterGroup_Click() { designSelect(lblFilterGroup); }
void FCustom::lstSelectedFilters_MouseDown() { designSelect(lstSelectedFilters); }
void FCustom::lvwCols_MouseDown() { designSelect(lvwCols); }
void FCustom::optType_MouseDown(int Index) { designSelect(optType.at(std::size_t(Index))); }
void FCustom::tTab_MouseDown() { designSelect(tTab); }
void FCustom::txtMaxLines_MouseDown() { designSelect(txtMaxLines); }

} // namespace Ostraven
