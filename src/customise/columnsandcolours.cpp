#include "columnsandcolours.h"

#include "fcustom.h"

#include "module/mpublic.h"
#include "viewer/fevents.h"

#include "errors/errorroutes.h"
#include "platform/colour.h"
#include "platform/desktop/desktopservices.h"
#include "platform/variant.h"
#include "platform/vberror.h"

#include <QComboBox>
#include <QFrame>
#include <QStringList>
#include <QTreeWidget>

namespace Ostraven {

namespace {

const QString useObjectDefault = QStringLiteral("Use Object Default");
const QString fieldSeparator = QStringLiteral("][");
const QString notUsedKey = QStringLiteral("NotUsed");
constexpr qint32 gridTextColour = 16777215;
const char *const swatchColourProperty = "backColour";

// The general colours are slots 0 and 2; the event colours slots 3 to 11, in their resource order.
constexpr int firstEventColourResource = 314;
constexpr int eventColourCount = 9;

QString field(const QStringList &fields, int index)
{
    if (index >= fields.size())
        throw VbError::fromNumber(VbError::SubscriptOutOfRange);
    return fields.at(index);
}

QTreeWidgetItem *newColumnItem(const QString &key, const QString &caption, bool checked)
{
    auto *item = new QTreeWidgetItem(QStringList{caption});
    item->setData(0, Qt::UserRole, key);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

const QString ColumnsAndColours::defaultColumnHeaders = QStringLiteral(
    "dbTime][Host Time][1][135][True,Description][Description][2][485][True,Address][Address][3][130][True,"
    "Type][Event Type][4][134][True,ID][Event ID][5][58][True,dtTime][Controller Time][6][139][False,"
    "NotUsed][NotUsed][7][64][False");

std::vector<ColumnsAndColours::ListedColumn> ColumnsAndColours::listedColumns(const QString &columnHeaders)
{
    const QStringList entries = columnHeaders.split(QLatin1Char(','));
    std::vector<QStringList> fields;
    fields.reserve(std::size_t(entries.size()));
    for (const QString &entry : entries)
        fields.push_back(entry.split(fieldSeparator));

    std::vector<ListedColumn> result;
    for (int position = 1; position <= int(entries.size()); ++position) {
        for (const QStringList &entry : fields) {
            if (Val(field(entry, 2)) != position || field(entry, 0) == notUsedKey)
                continue;
            result.push_back(ListedColumn{field(entry, 0), field(entry, 1), CBool(Variant(field(entry, 4)))});
            break;
        }
    }
    return result;
}

qint64 ColumnsAndColours::swatchColour(const QFrame &swatch)
{
    return swatch.property(swatchColourProperty).toLongLong();
}

void ColumnsAndColours::setSwatchColour(QFrame &swatch, qint64 colour)
{
    swatch.setProperty(swatchColourProperty, colour);
    QPalette palette = swatch.palette();
    palette.setColor(QPalette::Window, toQColor(colour));
    swatch.setPalette(palette);
}

qint32 ColumnsAndColours::itemColour(int combo, int item) const
{
    QComboBox *box = m_dialog.cmbColor.at(std::size_t(combo));
    if (item < 0 || item >= box->count())
        throw VbError::fromNumber(VbError::SubscriptOutOfRange);
    return box->itemData(item, Qt::UserRole).toInt();
}

void ColumnsAndColours::InitColors()
{
    guarded(m_module.errors(), QStringLiteral("Event Viewer: InitColors"), [&] {
        const ColourSlots &slots = m_module.profile.colourSlots;
        QComboBox *general = m_dialog.cmbColor[0];
        general->clear();
        general->addItem(m_module.GRS(311), slots[0]);
        general->addItem(m_module.GRS(313), slots[2]);
        general->setCurrentIndex(0);
        cmbColor_Click(0);

        QComboBox *events = m_dialog.cmbColor[1];
        events->clear();
        for (int item = 0; item < eventColourCount; ++item)
            events->addItem(m_module.GRS(firstEventColourResource + item), slots[std::size_t(3 + item)]);
        events->setCurrentIndex(0);
        cmbColor_Click(1);
    });
}

void ColumnsAndColours::cmbColor_Click(int Index)
{
    guarded(m_module.errors(), QStringLiteral("FCustom: cmbColor_Click"), [&] {
        QComboBox *box = m_dialog.cmbColor.at(std::size_t(Index));
        setSwatchColour(*m_dialog.pbxSample.at(std::size_t(Index)), itemColour(Index, box->currentIndex()));
    });
}

void ColumnsAndColours::pbxSample_Click(int Index)
{
    if (m_dialog.designMode) {
        m_dialog.designSelect(m_dialog.pbxSample.at(std::size_t(Index)));
        return;
    }
    guarded(m_module.errors(), QStringLiteral("Event Viewer: pbxSample_Click"), [&] {
        QFrame *swatch = m_dialog.pbxSample.at(std::size_t(Index));
        QComboBox *box = m_dialog.cmbColor.at(std::size_t(Index));
        // A cancelled picker is the operator changing their mind, not a failure.
        const std::optional<qint64> chosen = m_module.desktop().pickColour(swatchColour(*swatch));
        if (!chosen)
            return;
        setSwatchColour(*swatch, *chosen);
        if (box->currentIndex() < 0)
            throw VbError::fromNumber(VbError::InvalidProcedureCall);
        box->setItemData(box->currentIndex(), qint32(*chosen), Qt::UserRole);
    });
}

QString ColumnsAndColours::GetColors()
{
    QString result;
    guarded(m_module.errors(), QStringLiteral("Event Viewer: GetColors"), [&] {
        GridControl &grid = *m_module.windows().events().vGrid;
        grid.setBackColour(itemColour(0, 0));
        grid.setForeColour(gridTextColour);

        ColourSlots &slots = m_module.profile.colourSlots;
        slots[0] = itemColour(0, 0);
        slots[1] = gridTextColour;
        slots[2] = itemColour(0, 1);
        for (int item = 0; item < eventColourCount; ++item)
            slots[std::size_t(3 + item)] = itemColour(1, item);

        QStringList values;
        for (const qint32 colour : slots)
            values << QString::number(colour);
        result = values.join(QLatin1Char(','));
    });
    return result;
}

void ColumnsAndColours::InitColumnHeaders()
{
    guarded(m_module.errors(), QStringLiteral("FCustom.InitColumnHeaders"), [&] {
        if (m_module.profile.ColumnHeaders == useObjectDefault)
            m_module.profile.ColumnHeaders = defaultColumnHeaders;
        QTreeWidget *list = m_dialog.lvwCols;
        list->clear();
        for (const ListedColumn &column : listedColumns(m_module.profile.ColumnHeaders))
            list->addTopLevelItem(newColumnItem(column.key, column.caption, column.visible));
        if (list->topLevelItemCount() < 1)
            throw VbError::fromNumber(VbError::SubscriptOutOfRange);
        list->setCurrentItem(list->topLevelItem(0));
    });
}

void ColumnsAndColours::cmdMove_Click(int Index)
{
    if (m_dialog.designMode)
        return;
    guarded(m_module.errors(), QStringLiteral("FCustom: cmdMove_Click"), [&] {
        QTreeWidget *list = m_dialog.lvwCols;
        QTreeWidgetItem *selected = list->currentItem();
        if (!selected)
            throw VbError::fromNumber(VbError::ObjectNotSet);
        const int k = list->indexOfTopLevelItem(selected) + 1;
        const int target = Index == 0 ? k - 1 : k + 1;
        if (target < 1 || target > list->topLevelItemCount())
            return;
        QTreeWidgetItem *moved = list->takeTopLevelItem(k - 1);
        list->insertTopLevelItem(target - 1, moved);
        list->setCurrentItem(moved);
    });
}

QString ColumnsAndColours::applyColumns()
{
    FEvents &viewer = m_module.windows().events();
    GridControl &grid = *viewer.vGrid;
    QTreeWidget *list = m_dialog.lvwCols;
    for (int i = 1; i <= list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i - 1);
        const QString key = item->data(0, Qt::UserRole).toString();
        grid.setColumnPosition(key, i);
        grid.setColumnVisible(key, item->checkState(0) == Qt::Checked);
        grid.setColumnHeader(key, item->text(0));
    }
    return viewer.columnHeaderString();
}

} // namespace Ostraven
