#pragma once

#include <QtGlobal>

namespace Ostraven {

class MPublic;

// Turns the rows of the profile's filter group (EventFilters) into the module's filter state: the
// archive's WHERE clause, the group's mode and the rows' filter strings that live admission tests.
class FilterClauseBuilder
{
public:
    explicit FilterClauseBuilder(MPublic &module);

    // Joins the conditions the dialog stored with each row; a group saved before rows carried a
    // condition goes to the legacy builder.
    void SetFilter2(qint32 GroupID);
    // Derives the condition from each row's filter string.
    void SetFilter(qint32 GroupID);

private:
    MPublic &m_module;
};

} // namespace Ostraven
