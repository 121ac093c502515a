#pragma once

#include "support/componentfixture.h"
#include "support/reportedlabels.h"
#include "viewer/fevents.h"

namespace Ostraven::Testing {

using Labels = std::vector<std::string>;

// The viewer window of a wired module, with the built-in column layout; shared by the viewer's and the
// menu's suites.
class ViewerTest : public ComponentTest
{
protected:
    void SetUp() override
    {
        ComponentTest::SetUp();
        module().profile.ColumnHeaders = QStringLiteral("Use Object Default");
    }
    FEvents &window() { return module().windows().events(); }
    GridControl &grid() { return *window().vGrid; }
    QString cell(int row, const char *key) { return grid().cellText(row, QString::fromLatin1(key)); }
    // A column's texts from the top row down.
    QStringList cells(const char *key)
    {
        QStringList texts;
        for (int row = 1; row <= grid().rowCount(); ++row)
            texts << cell(row, key);
        return texts;
    }
    void expectNoBoxes() { EXPECT_TRUE(desktop().boxes().empty()) << boxTexts().join(QLatin1Char('\n')).toStdString(); }
};

} // namespace Ostraven::Testing
