#include "../platformtest.h"
#include "platform/localizer/localizer.h"
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

using namespace Ostraven;

namespace {
// Window 54 with one control of each kind the localizer captions, named as the forms name them.
class LocalizerTest : public ::testing::Test
{
protected:
    template <typename Control> static Control *named(const char *name, Control *control) { control->setObjectName(name); return control; }
    void SetUp() override
    {
        connection->execute("Create Table Localization(WindowNumber INTEGER NOT NULL, ControlName TEXT NOT NULL "
                            "COLLATE NOCASE, ControlIndex INTEGER, Caption TEXT NOT NULL)");
        window.setObjectName("FCustom");
        window.setWindowTitle("Event Viewer Properties");
        otherLabel->setProperty(Localizer::IndexProperty, 0);
        tabs->addTab(new QWidget, "Filters");
        tabs->addTab(new QWidget, "General");
        localizer.setConnection(connection);
        localizer.setWindowNumber(54);
        localizer.setVersion("3.5.1757");
    }
    ConnectionPtr connection = Connection::openSqlite(":memory:");
    Localizer localizer;
    QWidget window;
    QPushButton *ok = named("cmdOK", new QPushButton("OK", &window));
    QLabel *colourLabel = named("lblColor(1)", new QLabel("Colour", &window));
    QLabel *otherLabel = named("lblColor", new QLabel("Other", &window));
    QGroupBox *frame = named("fraGeneral", new QGroupBox("General", &window));
    QTabWidget *tabs = named("SSTab1", new QTabWidget(&window));
    QMenu *menu = named("mnuEvents", new QMenu("Events", &window));
    QAction *copy = named("mnuEventArray(5)", menu->addAction("Copy to Clipboard"));
};

TEST_F(LocalizerTest, ReplacesCaptionsByControlNameAndIndex)
{
    connection->execute("Insert Into Localization Values (54, 'Form', Null, 'Ereignisanzeige'), (54, 'CMDOK', Null, 'Weiter'), "
                        "(54, 'lblColor', 1, 'Farbe'), (54, 'lblColor', 0, 'Andere'), (54, 'fraGeneral', Null, 'Allgemein'), "
                        "(54, 'SSTab1', 1, 'Allgemeines'), (54, 'mnuEvents', Null, 'Ereignisse'), (54, 'mnuEventArray', 5, 'Kopieren'), "
                        "(54, 'mnuEventArray', 6, 'no such member'), (54, 'cmdOK', 3, 'not an array'), (17, 'cmdOK', Null, 'another window')");
    EXPECT_EQ(localizer.localize(&window), 8);
    EXPECT_EQ(QStringList({window.windowTitle(), ok->text(), colourLabel->text(), otherLabel->text(), frame->title(),
                           tabs->tabText(0), tabs->tabText(1), menu->title(), copy->text()}),
              QStringList({"Ereignisanzeige", "Weiter", "Farbe", "Andere", "Allgemein", "Filters", "Allgemeines",
                           "Ereignisse", "Kopieren"}));
}

TEST_F(LocalizerTest, DisabledOrFailingLocalizerLeavesCaptionsAloneAndArrayNamesSplit)
{
    connection->execute("Insert Into Localization Values (54, 'cmdOK', Null, 'Weiter')");
    localizer.setEnabled(false);
    EXPECT_EQ((std::pair{localizer.localize(&window), ok->text()}), std::pair(0, QStringLiteral("OK"))); // braces: in order
    localizer.setEnabled(true);
    connection->execute("Drop Table Localization");
    EXPECT_THROW(localizer.localize(&window), VbError);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    localizer.windowUnloaded(0x51);
    EXPECT_EQ(localizer.unloadedHandle(), std::optional<quintptr>(0x51));
    EXPECT_EQ(errorNumber([&] { localizer.localize(&window); }), VbError::ObjectNotSet) << "without a connection";
    // Array members split into name and index.
    const std::tuple<const char *, const char *, std::optional<int>> cases[] = {
        {"mnuEventArray(12)", "mnuEventArray", 12}, {"cmdOK", "cmdOK", std::nullopt}, {"odd(x)", "odd(x)", std::nullopt},
        {"(3)", "(3)", std::nullopt},
    };
    for (const auto &[objectName, name, index] : cases)
        EXPECT_EQ(Localizer::splitControlName(objectName), std::pair(QString(name), index)) << objectName;
}
} // namespace
