#include "platform/localizer/localizer.h"
#include "platform/vberror.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>

#include <gtest/gtest.h>

namespace Ostraven {
namespace {

class LocalizerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        connection = Connection::openSqlite(QStringLiteral(":memory:"));
        connection->execute(QStringLiteral("Create Table Localization(WindowNumber INTEGER NOT NULL, ControlName TEXT "
                                           "NOT NULL COLLATE NOCASE, ControlIndex INTEGER, Caption TEXT NOT NULL)"));
        window.setObjectName(QStringLiteral("FCustom"));
        window.setWindowTitle(QStringLiteral("Event Viewer Properties"));
        ok = new QPushButton(QStringLiteral("OK"), &window);
        ok->setObjectName(QStringLiteral("cmdOK"));
        colourLabel = new QLabel(QStringLiteral("Colour"), &window);
        colourLabel->setObjectName(QStringLiteral("lblColor(1)"));
        otherLabel = new QLabel(QStringLiteral("Other"), &window);
        otherLabel->setObjectName(QStringLiteral("lblColor"));
        otherLabel->setProperty(Localizer::IndexProperty, 0);
        frame = new QGroupBox(QStringLiteral("General"), &window);
        frame->setObjectName(QStringLiteral("fraGeneral"));
        tabs = new QTabWidget(&window);
        tabs->setObjectName(QStringLiteral("SSTab1"));
        tabs->addTab(new QWidget, QStringLiteral("Filters"));
        tabs->addTab(new QWidget, QStringLiteral("General"));
        menu = new QMenu(QStringLiteral("Events"), &window);
        menu->setObjectName(QStringLiteral("mnuEvents"));
        copy = menu->addAction(QStringLiteral("Copy to Clipboard"));
        copy->setObjectName(QStringLiteral("mnuEventArray(5)"));

        localizer.setConnection(connection);
        localizer.setWindowNumber(54);
        localizer.setVersion(QStringLiteral("3.5.1757"));
    }

    void addCaption(int windowNumber, const QString &name, const QString &index, const QString &caption)
    {
        connection->execute(QStringLiteral("Insert Into Localization Values (%1, '%2', %3, '%4')")
                                .arg(windowNumber).arg(name, index, caption));
    }

    ConnectionPtr connection;
    Localizer localizer;
    QWidget window;
    QPushButton *ok = nullptr;
    QLabel *colourLabel = nullptr;
    QLabel *otherLabel = nullptr;
    QGroupBox *frame = nullptr;
    QTabWidget *tabs = nullptr;
    QMenu *menu = nullptr;
    QAction *copy = nullptr;
};

TEST_F(LocalizerTest, ReplacesCaptionsByControlNameAndIndex)
{
    addCaption(54, QStringLiteral("Form"), QStringLiteral("Null"), QStringLiteral("Ereignisanzeige"));
    addCaption(54, QStringLiteral("CMDOK"), QStringLiteral("Null"), QStringLiteral("Weiter"));
    addCaption(54, QStringLiteral("lblColor"), QStringLiteral("1"), QStringLiteral("Farbe"));
    addCaption(54, QStringLiteral("lblColor"), QStringLiteral("0"), QStringLiteral("Andere"));
    addCaption(54, QStringLiteral("fraGeneral"), QStringLiteral("Null"), QStringLiteral("Allgemein"));
    addCaption(54, QStringLiteral("SSTab1"), QStringLiteral("1"), QStringLiteral("Allgemeines"));
    addCaption(54, QStringLiteral("mnuEvents"), QStringLiteral("Null"), QStringLiteral("Ereignisse"));
    addCaption(54, QStringLiteral("mnuEventArray"), QStringLiteral("5"), QStringLiteral("Kopieren"));
    addCaption(54, QStringLiteral("mnuEventArray"), QStringLiteral("6"), QStringLiteral("no such member"));
    addCaption(54, QStringLiteral("cmdOK"), QStringLiteral("3"), QStringLiteral("not an array"));
    addCaption(17, QStringLiteral("cmdOK"), QStringLiteral("Null"), QStringLiteral("another window"));

    EXPECT_EQ(localizer.localize(&window), 8);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Ereignisanzeige"));
    EXPECT_EQ(ok->text(), QStringLiteral("Weiter"));
    EXPECT_EQ(colourLabel->text(), QStringLiteral("Farbe"));
    EXPECT_EQ(otherLabel->text(), QStringLiteral("Andere"));
    EXPECT_EQ(frame->title(), QStringLiteral("Allgemein"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Filters"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Allgemeines"));
    EXPECT_EQ(menu->title(), QStringLiteral("Ereignisse"));
    EXPECT_EQ(copy->text(), QStringLiteral("Kopieren"));
}

TEST_F(LocalizerTest, DisabledOrFailingLocalizerLeavesCaptionsAlone)
{
    addCaption(54, QStringLiteral("cmdOK"), QStringLiteral("Null"), QStringLiteral("Weiter"));
    localizer.setEnabled(false);
    EXPECT_EQ(localizer.localize(&window), 0);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));

    localizer.setEnabled(true);
    connection->execute(QStringLiteral("Drop Table Localization"));
    EXPECT_THROW(localizer.localize(&window), VbError);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));

    localizer.windowUnloaded(0x51);
    EXPECT_EQ(localizer.unloadedHandle(), std::optional<quintptr>(0x51));
    try {
        localizer.localize(&window);
        ADD_FAILURE() << "no error without a connection";
    } catch (const VbError &error) {
        EXPECT_EQ(error.number(), VbError::ObjectNotSet);
    }
}

TEST(LocalizerNames, ArrayMembersSplitIntoNameAndIndex)
{
    const std::vector<std::tuple<QString, QString, std::optional<int>>> cases{
        {QStringLiteral("mnuEventArray(12)"), QStringLiteral("mnuEventArray"), 12},
        {QStringLiteral("cmdOK"), QStringLiteral("cmdOK"), std::nullopt},
        {QStringLiteral("odd(x)"), QStringLiteral("odd(x)"), std::nullopt},
        {QStringLiteral("(3)"), QStringLiteral("(3)"), std::nullopt},
    };
    for (const auto &[objectName, name, index] : cases) {
        const auto [splitName, splitIndex] = Localizer::splitControlName(objectName);
        EXPECT_EQ(splitName, name) << objectName.toStdString();
        EXPECT_EQ(splitIndex, index) << objectName.toStdString();
    }
}

} // namespace
} // namespace Ostraven
