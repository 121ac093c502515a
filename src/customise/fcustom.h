#pragma once

#include "platform/localizer/localizer.h"

#include <QDialog>

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace Ostraven {

class MPublic;
class FilterGroupPage;
class ColumnsAndColours;

// The viewer's properties dialog: a general tab (options, colours, columns) and a filters tab (the
// filter-group builder). Every control is a public member named after its control; a control array
// is a std::array named after the array, its members' objectNames "name(index)". Combo items keep
// their ItemData in Qt::UserRole (an int; a "ID|kind" text for cboController). Loaded by the module
// on first reference; shown without modality, owned by the host's window.
class FCustom : public QDialog
{
    Q_OBJECT

public:
    explicit FCustom(MPublic &module, QWidget *parent = nullptr);
    ~FCustom() override;

    // Tabs.
    QTabWidget *tTab = nullptr;

    // Buttons below the tabs.
    std::array<QPushButton *, 3> Command1{}; // OK, Cancel, Help
    QPushButton *btnRestore = nullptr;

    // General tab: Column Headers, Colors, Options.
    std::array<QGroupBox *, 3> fraGeneral{};
    QCheckBox *chkDipslayEventsAtTop = nullptr;
    QCheckBox *chkLoadCachedEvents = nullptr;
    QLineEdit *txtMaxLines = nullptr;
    QLabel *Label1 = nullptr;
    // Checkable items, one per shown column: key in data(0, Qt::UserRole), caption as text.
    QTreeWidget *lvwCols = nullptr;
    std::array<QPushButton *, 2> cmdMove{}; // up, down
    QLabel *Label4 = nullptr;
    std::array<QComboBox *, 2> cmbColor{};   // general colours, event colours; ItemData = platform colour
    std::array<QFrame *, 2> pbxSample{};     // swatches; back colour = platform colour of cmbColor(i)
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;

    // Filters tab.
    QLabel *lblFilterGroup = nullptr;
    QComboBox *cmbFilterGroup = nullptr; // editable; ItemData = group ID
    std::array<QPushButton *, 2> FilterGroup{}; // save, delete
    QGroupBox *Frame1 = nullptr;
    std::array<QRadioButton *, 2> optType{}; // limit, exclusion
    QGroupBox *fraBuilder = nullptr;
    // "Security Domain:", "Port:", "Controllers:", "Ardo:", "Event:", "Point:", "Server:"
    std::array<QLabel *, 7> Label2{};
    QLabel *Label7 = nullptr;
    QComboBox *cmbSD = nullptr;         // ItemData = site ID
    QComboBox *cmbPort = nullptr;       // ItemData = PortID
    QComboBox *cboController = nullptr; // ItemData = text "ID|kind" (1 first family, 2 second family)
    QComboBox *cmbArdo = nullptr;       // ItemData = ArdoID
    QComboBox *cmbEvent = nullptr;      // ItemData = EventID
    QComboBox *cmbPoint = nullptr;      // never filled
    QComboBox *cmbServer = nullptr;     // never filled
    QPushButton *AddFilter = nullptr;
    QGroupBox *fraSelectedFilters = nullptr;
    // Columns "Filter Description" and "SQL"; each item keeps its Filter text in data(0, Qt::UserRole).
    QTreeWidget *lstSelectedFilters = nullptr;
    QPushButton *DeleteFilter = nullptr;

    ::Ostraven::Localizer Localizer;
    // The stretch control a translator drags around the selected control in design mode.
    QFrame *MhS = nullptr;
    // The in-place caption editor shown with MhS.
    QLineEdit *captionEditor = nullptr;

    bool designMode = false;
    bool pendingChanges = false;
    qint32 HelpContextID = 55;
    // The control last selected in design mode.
    QWidget *selectedControl = nullptr;
    // The last key code handed to a key handler after the handler ran (0 = discarded).
    std::optional<int> lastKeyResult;

    // Runs the load handler; the module calls it once, right after creating the dialog.
    void load();
    // Runs the unload handler and closes the dialog; the module then lets it go.
    void unload();
    [[nodiscard]] bool isUnloaded() const { return m_unloaded; }
    // The host allowed customising when the dialog loaded, so design mode can be entered.
    [[nodiscard]] bool customizing() const { return m_customizing; }

    // Lifecycle and general settings.
    void Form_Load();
    void InitForm();
    void Form_Activate();
    void Form_Unload();
    void tTab_Click();
    void txtMaxLines_KeyPress(int &KeyAscii);
    void Command1_Click(int Index);
    void btnRestore_Click();
    void Localizer_EnterDesignMode();
    void Localizer_ExitDesignMode();
    void MhS_Resize();

    // Columns and colours.
    void InitColors();
    [[nodiscard]] QString GetColors();
    void cmbColor_Click(int Index);
    void pbxSample_Click(int Index);
    void InitColumnHeaders();
    void cmdMove_Click(int Index);
    // Pushes the column list into the viewer grid; returns the grid's column-header string.
    [[nodiscard]] QString applyColumns();

    // Filters tab, carried out by the filter-group page.
    void cmbFilterGroup_Click();
    void cmbFilterGroup_Change();
    void cmbFilterGroup_GotFocus();
    void FilterGroup_Click(int Index);
    void AddFilter_Click();
    void DeleteFilter_Click();
    [[nodiscard]] bool SaveFilterGroup();

    // Design-mode hooks: in design mode each selects its control for the translator.
    void cboController_GotFocus();
    void cmbColor_GotFocus(int Index);
    void cmbEvent_GotFocus();
    void cmbPoint_GotFocus();
    void cmbPort_GotFocus();
    void cmbSD_GotFocus();
    void cmbServer_GotFocus();
    void cmbArdo_GotFocus();
    void chkDipslayEventsAtTop_Click();
    void chkLoadCachedEvents_Click();
    void fraBuilder_Click();
    void fraGeneral_Click(int Index);
    void fraSelectedFilters_Click();
    void Label1_Click();
    void Label2_Click(int Index);
    void Label3_Click();
    void Label4_Click();
    void Label5_Click();
    void Label6_Click();
    void lblFilterGroup_Click();
    void lstSelectedFilters_MouseDown();
    void lvwCols_MouseDown();
    void optType_MouseDown(int Index);
    void tTab_MouseDown();
    void txtMaxLines_MouseDown();

    // Design mode: MhS goes around the control and the caption editor over it.
    void designSelect(QWidget *control);

    [[nodiscard]] FilterGroupPage &filterPage() { return *m_filterPage; }
    [[nodiscard]] MPublic &module() { return m_module; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Escape closes the dialog as its close box does: nothing is saved.
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildGeneralTab(QWidget *page);
    void buildFiltersTab(QWidget *page);
    void connectHandlers();
    void watch(QWidget *control);
    [[nodiscard]] bool runOk();
    [[nodiscard]] bool validateMaxLines(qint32 &maxLines);
    void commitCaption();

    MPublic &m_module;
    std::unique_ptr<FilterGroupPage> m_filterPage;
    std::unique_ptr<ColumnsAndColours> m_columns;
    bool m_unloaded = false;
    bool m_loaded = false;
    // The host allowed customising: only then can the translator enter design mode.
    bool m_customizing = false;
    // The dialog's owner before the host's window took over; handed back on unload.
    quintptr m_previousOwner = 0;
};

} // namespace Ostraven
