#pragma once

#include <QString>
#include <QtGlobal>

namespace Ostraven {

class FCustom;
class MPublic;

// The filters tab of the properties dialog: the pickers that compose one criterion, the list of a
// group's criteria, and the named groups stored in EventFilters. Only an administrator edits; any
// operator may pick a group or no group.
class FilterGroupPage
{
public:
    FilterGroupPage(FCustom &dialog, MPublic &module);

    // The address kinds GetAddressForID answers for; any other kind has no address.
    static constexpr qint32 PortAddress = 2;
    static constexpr qint32 ArdoAddress = 3;
    static constexpr qint32 ControllerAddress = 4;
    static constexpr qint32 PanelAddress = 6;

    // Both fill steps of the dialog's InitForm and raise their failures to it; each leaves its
    // combos with nothing chosen, as freshly filled lists are.
    // cmbSD, cmbPort, cboController, cmbArdo and cmbEvent: the any entry first, then the rows.
    void fillPickers();
    // cmbFilterGroup: no filter, the new-group placeholder for administrators, then the groups the
    // operator may choose.
    void fillFilterGroups();
    // Selects a group entry and loads it, as setting the combo's ListIndex does (whatever the
    // combo's signals are wired to).
    void selectGroup(int index);

    [[nodiscard]] QString GetAddressForID(qint32 ID, qint32 kind);
    void AddFilter_Click();
    void DeleteFilter_Click();
    void pUpdateEnabledStatus();
    void SetFeaturesEnabled(bool enabled);
    void cmbFilterGroup_Click();
    void cmbFilterGroup_Change();
    void cmbFilterGroup_GotFocus();
    void FilterGroup_Click(int Index);
    void DeleteFilterGroup();
    // False when the operator chose to go back and keep editing.
    [[nodiscard]] bool SaveFilterGroup();

    // The group combo's ListIndex: -1 while its text is a typed name rather than a chosen entry.
    [[nodiscard]] int groupListIndex() const;

private:
    void setGroupText(const QString &text);
    void askName(QString &name);
    void insertNewGroup(const QString &name);
    void replaceGroup(const QString &name, qint32 groupId);
    void insertFilterRows(qint32 groupId, const QString &name, const QString &textPrefix);
    void pointProfileAt(qint32 groupId);
    [[nodiscard]] QString title() const;

    FCustom &m_dialog;
    MPublic &m_module;
    // Set while the combo's text was typed (or answered in the name box) rather than chosen.
    bool m_typedName = false;
};

} // namespace Ostraven
