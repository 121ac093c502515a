#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

class QFrame;

namespace Ostraven {

class FCustom;
class MPublic;

// The general tab's colour pickers and column list: filled from the shared colour slots and the
// column-header string, edited in the dialog, and pushed into the viewer grid only on OK.
class ColumnsAndColours
{
public:
    struct ListedColumn {
        QString key;
        QString caption;
        bool visible = false;

        friend bool operator==(const ListedColumn &, const ListedColumn &) = default;
    };

    ColumnsAndColours(FCustom &dialog, MPublic &module) : m_dialog(dialog), m_module(module) {}

    // The built-in column-header string that "Use Object Default" stands for.
    static const QString defaultColumnHeaders;

    // The columns the list shows for a column-header string, in position order; "NotUsed" and
    // positions no entry carries are left out.
    [[nodiscard]] static std::vector<ListedColumn> listedColumns(const QString &columnHeaders);

    void InitColors();
    [[nodiscard]] QString GetColors();
    void cmbColor_Click(int Index);
    void pbxSample_Click(int Index);
    void InitColumnHeaders();
    void cmdMove_Click(int Index);
    [[nodiscard]] QString applyColumns();

    // The swatch's platform colour, and painting one.
    [[nodiscard]] static qint64 swatchColour(const QFrame &swatch);
    static void setSwatchColour(QFrame &swatch, qint64 colour);

private:
    [[nodiscard]] qint32 itemColour(int combo, int item) const;

    FCustom &m_dialog;
    MPublic &m_module;
};

} // namespace Ostraven
