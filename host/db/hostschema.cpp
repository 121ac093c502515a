#include "host/db/hostschema.h"

#include "host/db/sqlitefile.h"
#include "host/db/sqlitestatement.h"

#include <array>

namespace Ostraven {

namespace {

// Conventions of this schema:
// - Dates are ISO text "yyyy-MM-dd HH:mm:ss[.fff]" in columns declared DATETIME, so the facade hands
//   them back as dates. 1800-01-01 00:00:00 stands for "no date" (software events carry no
//   controller time).
// - Flags are declared BIT and hold 0 or 1, as the production server's bit columns do.
// - Texts that statements compare or sort are COLLATE NOCASE: the production server's default
//   collation ignores letter case, and the component's statements rely on that.
// - Addresses are backslash paths of dot-separated parts: \\SRV1.1.2.RD01 is server SRV1, port 1,
//   controller 2, point RD01. A reader RDnn belongs to the door DRnn of the same controller.
//   Second-family addresses begin with \\ZEKO and the panel's number (\\ZEKO01.2.3).
constexpr const char *TablesScript = R"sql(
-- Site and hardware --------------------------------------------------------------------------

-- The filter builder's site picker reads column 0 (id) and column 1 (name).
CREATE TABLE Sites (
    SiteID      INTEGER PRIMARY KEY,
    SiteDescr   TEXT NOT NULL COLLATE NOCASE,
    Location    TEXT NOT NULL DEFAULT ''
);

CREATE TABLE Servers (
    ServerID    INTEGER PRIMARY KEY,
    ServerName  TEXT NOT NULL UNIQUE COLLATE NOCASE,
    SiteID      INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE
);

-- Serial or network lines of a server; Address is \\SERVER.port.
CREATE TABLE ServerPorts (
    PortID      INTEGER PRIMARY KEY,
    PortName    TEXT NOT NULL COLLATE NOCASE,
    ServerID    INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE
);

-- Communication hubs (events 7000 to 7500); they sit on a port and carry controllers behind them.
CREATE TABLE Ardoes (
    ArdoID      INTEGER PRIMARY KEY,
    ArdoName    TEXT NOT NULL COLLATE NOCASE,
    PortID      INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE
);

-- First-family controllers.
CREATE TABLE Controllers (
    Controller_ID   INTEGER PRIMARY KEY,
    Controller_Name TEXT NOT NULL COLLATE NOCASE,
    PortID          INTEGER NOT NULL,
    Address         TEXT NOT NULL COLLATE NOCASE
);

-- Second-family panels; their addresses begin with \\ZEKO.
CREATE TABLE ZEKO_Controllers (
    ID          INTEGER PRIMARY KEY,
    [Name]      TEXT NOT NULL COLLATE NOCASE,
    ServerID    INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE
);

CREATE TABLE Doors (
    DoorID          INTEGER PRIMARY KEY,
    DoorName        TEXT NOT NULL COLLATE NOCASE,
    Controller_ID   INTEGER NOT NULL,
    Address         TEXT NOT NULL UNIQUE COLLATE NOCASE
);

CREATE TABLE ZEKO_Doors (
    DoorID          INTEGER PRIMARY KEY,
    DoorName        TEXT NOT NULL COLLATE NOCASE,
    ControllerID    INTEGER NOT NULL,
    Address         TEXT NOT NULL UNIQUE COLLATE NOCASE
);

-- Event definitions ---------------------------------------------------------------------------
-- One table per first-family event class. DefaultDescription is the maker's text, Description the
-- site's own name for the event ('' when the site kept the default). Definitions whose default
-- text begins with "Undefined" are reserved numbers and are not offered in pickers.

CREATE TABLE SoftwareTransactionEvents (        -- software, 1000 to 1500
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE SystemTransactionEvents (          -- card transactions, 2000 to 3900
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE ExternalEvents (                   -- inputs and relays, 4000 to 4500
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE Alarms (                           -- 5000 to 5999
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE ProgrammingEvents (                -- 6000 to 6500 and 8700 to 8799
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE ArdoEvents (                       -- communication hubs, 7000 to 7500
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE MISCEvents (                       -- 8000 to 8499
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE PortEvents (                       -- 8500 to 8600
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
CREATE TABLE InternalEvents (                   -- 9000 to 9100
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE);
-- Events of integrated third-party systems (fire, intrusion, video), 10000 to 20000; IsAlarm
-- makes the viewer show them in the alarm colour.
CREATE TABLE IntegratedEvents (
    EventID INTEGER PRIMARY KEY, DefaultDescription TEXT NOT NULL COLLATE NOCASE,
    Description TEXT NOT NULL DEFAULT '' COLLATE NOCASE, IsAlarm BIT NOT NULL DEFAULT 0);

-- Second-family definitions, 80000 and above. ZEKOEventType: 0 alarm, 20 transaction,
-- 21 internal, 22 external, 24 miscellaneous, 25 software (programming when the sub-type of the
-- live message is 6000 to 6999).
CREATE TABLE ZEKO_EventDefinitions (
    EventID             INTEGER PRIMARY KEY,
    ZEKOEventType       SMALLINT NOT NULL,
    IsAlarm             BIT NOT NULL DEFAULT 0,
    DefaultDescription  TEXT NOT NULL COLLATE NOCASE,
    Description         TEXT NOT NULL DEFAULT '' COLLATE NOCASE
);

-- Card holders and credentials --------------------------------------------------------------

CREATE TABLE Departments (
    DepartmentID    INTEGER PRIMARY KEY,
    DepartmentName  TEXT NOT NULL COLLATE NOCASE
);

CREATE TABLE CardHolders (
    CardHolderID    INTEGER PRIMARY KEY,
    LastName        TEXT NOT NULL COLLATE NOCASE,
    FirstName       TEXT NOT NULL COLLATE NOCASE,
    DepartmentID    INTEGER NOT NULL
);

-- CredentialID is the user ID that transaction events carry (UID1, UID2).
CREATE TABLE Credentials (
    CredentialID    INTEGER PRIMARY KEY,
    CardNumber      INTEGER NOT NULL UNIQUE,
    CardHolderID    INTEGER NOT NULL,
    Active          BIT NOT NULL DEFAULT 1
);

-- Event archive -------------------------------------------------------------------------------
-- Every stored event is in exactly one log: alarms in AlarmActive, card transactions in
-- Log_Transactions, miscellaneous events in Log_Misc, all others in Log_Events. dtDate is the
-- controller's time in whole seconds (the credential look-ups compare it as text), dbDate the
-- host's time of arrival with milliseconds. Type is the category text shown in the viewer.

CREATE TABLE AlarmActive (
    AlarmID     INTEGER PRIMARY KEY,
    EventID     INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE,
    Type        TEXT NOT NULL COLLATE NOCASE,
    dtDate      DATETIME NOT NULL,
    dbDate      DATETIME NOT NULL,
    Description TEXT NOT NULL COLLATE NOCASE,
    UID1        INTEGER NOT NULL DEFAULT 0,
    UID2        INTEGER NOT NULL DEFAULT 0,
    Acknowledged BIT NOT NULL DEFAULT 0
);
CREATE INDEX AlarmActive_dtDate ON AlarmActive (dtDate);
CREATE INDEX AlarmActive_dbDate ON AlarmActive (dbDate);

CREATE TABLE Log_Transactions (
    TransactionID INTEGER PRIMARY KEY,
    Event       INTEGER NOT NULL,
    NetAddress  TEXT NOT NULL COLLATE NOCASE,
    Type        TEXT NOT NULL COLLATE NOCASE,
    dtDate      DATETIME NOT NULL,
    dbDate      DATETIME NOT NULL,
    Description TEXT NOT NULL COLLATE NOCASE,
    UID1        INTEGER NOT NULL DEFAULT 0,
    UID2        INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Log_Transactions_dtDate ON Log_Transactions (dtDate);
CREATE INDEX Log_Transactions_dbDate ON Log_Transactions (dbDate);

CREATE TABLE Log_Misc (
    MiscID      INTEGER PRIMARY KEY,
    Event       INTEGER NOT NULL,
    NetAddress  TEXT NOT NULL COLLATE NOCASE,
    Type        TEXT NOT NULL COLLATE NOCASE,
    dtDate      DATETIME NOT NULL,
    dbDate      DATETIME NOT NULL,
    Description TEXT NOT NULL COLLATE NOCASE,
    UID1        INTEGER NOT NULL DEFAULT 0,
    UID2        INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Log_Misc_dtDate ON Log_Misc (dtDate);
CREATE INDEX Log_Misc_dbDate ON Log_Misc (dbDate);

CREATE TABLE Log_Events (
    LogID       INTEGER PRIMARY KEY,
    EventID     INTEGER NOT NULL,
    Address     TEXT NOT NULL COLLATE NOCASE,
    Type        TEXT NOT NULL COLLATE NOCASE,
    dtDate      DATETIME NOT NULL,
    dbDate      DATETIME NOT NULL,
    Description TEXT NOT NULL COLLATE NOCASE,
    UID1        INTEGER NOT NULL DEFAULT 0,
    UID2        INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX Log_Events_dbDate ON Log_Events (dbDate);

-- The archive as the viewer replays it. The loader reads by position: 0 controller time, 1 host
-- time, 2 address, 3 event number, 4 category, 5 description, 6 and 7 the credentials; filter
-- clauses name the columns Address, [ID] and Type, and the loader orders by dbDate.
CREATE VIEW VIEW_EventLog_AllEvents (dtDate, dbDate, Address, ID, Type, Description, UID1, UID2) AS
    SELECT dtDate, dbDate, Address, EventID, Type, Description, UID1, UID2 FROM AlarmActive
    UNION ALL
    SELECT dtDate, dbDate, NetAddress, Event, Type, Description, UID1, UID2 FROM Log_Transactions
    UNION ALL
    SELECT dtDate, dbDate, NetAddress, Event, Type, Description, UID1, UID2 FROM Log_Misc
    UNION ALL
    SELECT dtDate, dbDate, Address, EventID, Type, Description, UID1, UID2 FROM Log_Events;

-- Operators, workstations and rights ----------------------------------------------------------

-- Routing rules, time zones and filter-group grants are given to roles; each operator has one.
CREATE TABLE Roles (
    RoleID      INTEGER PRIMARY KEY,
    RoleName    TEXT NOT NULL UNIQUE COLLATE NOCASE
);

-- A profile is a named set of viewer settings (Profile_Details); operators may share one.
CREATE TABLE Profiles (
    ProfileID   INTEGER PRIMARY KEY,
    ProfileName TEXT NOT NULL UNIQUE COLLATE NOCASE
);

-- OperatorID is the host's user id. IsAdmin is the viewer's editing right (filter groups);
-- EnableCustomize allows customised captions (the localisation table) for this operator.
CREATE TABLE Operators (
    OperatorID      INTEGER PRIMARY KEY,
    LoginName       TEXT NOT NULL UNIQUE COLLATE NOCASE,
    FullName        TEXT NOT NULL,
    RoleID          INTEGER NOT NULL,
    ProfileID       INTEGER NOT NULL,
    IsAdmin         BIT NOT NULL DEFAULT 0,
    EnableCustomize BIT NOT NULL DEFAULT 1
);

CREATE TABLE Workstations (
    WorkstationID   INTEGER PRIMARY KEY,
    WorkstationName TEXT NOT NULL UNIQUE COLLATE NOCASE,
    ServerName      TEXT NOT NULL COLLATE NOCASE,
    SiteID          INTEGER NOT NULL
);

-- Component types of the host's security model; the event viewer is 96.
CREATE TABLE ComponentTypes (
    ComponentType   INTEGER PRIMARY KEY,
    ComponentName   TEXT NOT NULL COLLATE NOCASE
);

-- The sub-permissions each component type knows, and which of them each operator holds. A name
-- with no row for an operator is not part of that operator's collection at all.
CREATE TABLE SubPermissions (
    ComponentType   INTEGER NOT NULL,
    SubPermission   TEXT NOT NULL COLLATE NOCASE,
    Description     TEXT NOT NULL,
    PRIMARY KEY (ComponentType, SubPermission)
);

CREATE TABLE OperatorPermissions (
    OperatorID      INTEGER NOT NULL,
    ComponentType   INTEGER NOT NULL,
    SubPermission   TEXT NOT NULL COLLATE NOCASE,
    CanView         BIT NOT NULL DEFAULT 0,
    CanEdit         BIT NOT NULL DEFAULT 0,
    PRIMARY KEY (OperatorID, ComponentType, SubPermission)
);

-- Routing -------------------------------------------------------------------------------------

-- Events a role must not see: every event numbered EventIDFrom to EventIDTo whose address is LIKE
-- AddressPattern, at one workstation (WorkstationID) or at every one (0). Rows with Denied = 0
-- document an explicit grant and are not counted.
CREATE TABLE RoutingRules (
    RuleID          INTEGER PRIMARY KEY,
    RoleID          INTEGER NOT NULL,
    WorkstationID   INTEGER NOT NULL DEFAULT 0,
    EventIDFrom     INTEGER NOT NULL,
    EventIDTo       INTEGER NOT NULL,
    AddressPattern  TEXT NOT NULL DEFAULT '%' COLLATE NOCASE,
    Denied          BIT NOT NULL DEFAULT 1
);

-- Card transactions a role must not see: those of the card holders of a department.
CREATE TABLE RoutingDepartmentDenials (
    RoleID          INTEGER NOT NULL,
    WorkstationID   INTEGER NOT NULL DEFAULT 0,
    DepartmentID    INTEGER NOT NULL,
    PRIMARY KEY (RoleID, WorkstationID, DepartmentID)
);

-- Second-family transactions a role must not see, by the panel's host id of the card holder.
CREATE TABLE ZEKO_RoutingHostDenials (
    RoleID          INTEGER NOT NULL,
    HostID          INTEGER NOT NULL,
    PRIMARY KEY (RoleID, HostID)
);

-- The time zones in which a role receives events, tried in SortOrder. Generic zone 1 means
-- "never" and 2 "always"; the viewer stops at the first of them.
CREATE TABLE RoleTimeZones (
    RoleID              INTEGER NOT NULL,
    GenericTimeZoneID   INTEGER NOT NULL,
    SortOrder           INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (RoleID, GenericTimeZoneID)
);

-- Time zones ----------------------------------------------------------------------------------

-- Simple (global) zones: the weekdays on which the zone is active and its daily period as
-- "hh:mm" texts, both ends included. A period whose start is after its end never matches.
CREATE TABLE TimeZones (
    TimeZoneID  INTEGER PRIMARY KEY,
    Name        TEXT NOT NULL COLLATE NOCASE,
    Sunday      BIT NOT NULL DEFAULT 0,
    Monday      BIT NOT NULL DEFAULT 0,
    Tuesday     BIT NOT NULL DEFAULT 0,
    Wednesday   BIT NOT NULL DEFAULT 0,
    Thursday    BIT NOT NULL DEFAULT 0,
    Friday      BIT NOT NULL DEFAULT 0,
    Saturday    BIT NOT NULL DEFAULT 0,
    StartTime   TEXT NOT NULL DEFAULT '00:00',
    EndTime     TEXT NOT NULL DEFAULT '23:59'
);

-- Master zones: a zone made of several simple zones, active when any member is.
CREATE TABLE MasterTimeZones (
    MasterTimeZoneID INTEGER PRIMARY KEY,
    Name             TEXT NOT NULL COLLATE NOCASE
);

CREATE TABLE mastertimezonestotimezones (
    MasterTimeZoneID INTEGER NOT NULL,
    TimeZoneID       INTEGER NOT NULL,
    PRIMARY KEY (MasterTimeZoneID, TimeZoneID)
);

-- The numbering that roles use: each generic zone is either a simple zone (Type 0, its
-- GlobalTimeZoneID a TimeZones row) or a master zone (Type 1, a MasterTimeZones row).
CREATE TABLE GenericTimeZones (
    GenericTimeZoneID INTEGER PRIMARY KEY,
    GlobalTimeZoneID  INTEGER NOT NULL,
    [Type]            TINYINT NOT NULL,
    Name              TEXT NOT NULL COLLATE NOCASE
);

-- Settings ------------------------------------------------------------------------------------

-- Site-wide settings by name (EV_ShowMS: show milliseconds in the viewer's times).
CREATE TABLE MiscProperties (
    [Name]      TEXT PRIMARY KEY COLLATE NOCASE,
    [Value]     TEXT NOT NULL
);

-- The servers' registry, read through RegistryRead. ServerName '*' holds the site-wide value,
-- used by servers that have no row of their own.
CREATE TABLE Registry (
    ServerName  TEXT NOT NULL COLLATE NOCASE,
    Section     TEXT NOT NULL COLLATE NOCASE,
    KeyName     TEXT NOT NULL COLLATE NOCASE,
    [Value]     TEXT NOT NULL,
    PRIMARY KEY (ServerName, Section, KeyName)
);

-- Per-profile settings of the host's components, one row per setting; ObjectID 4 is the event
-- viewer. The viewer reads Property at position 2 and [Value] at position 3.
CREATE TABLE Profile_Details (
    ProfileID   INTEGER NOT NULL,
    ObjectID    INTEGER NOT NULL,
    Property    TEXT NOT NULL COLLATE NOCASE,
    [Value]     TEXT,
    PRIMARY KEY (ProfileID, ObjectID, Property)
);

-- Filter groups -------------------------------------------------------------------------------

-- A named filter group. SiteID 0 means every site; OperatorID is the operator who created it.
CREATE TABLE EventFilterGroups (
    GroupID     INTEGER PRIMARY KEY AUTOINCREMENT,
    SiteID      INTEGER NOT NULL DEFAULT 0,
    GroupName   TEXT NOT NULL COLLATE NOCASE,
    OperatorID  INTEGER NOT NULL DEFAULT 0,
    CreatedDate DATETIME
);

-- The groups a role may choose besides those its operators created.
CREATE TABLE RoleEventFilterGroups (
    RoleID      INTEGER NOT NULL,
    GroupID     INTEGER NOT NULL,
    PRIMARY KEY (RoleID, GroupID)
);

-- One criterion of a group per row; all rows of a group share GroupID, FilterName and FilterType
-- (1 show only matching events, 0 hide them). Filter is the criterion as "event,address,..." for
-- the live checks; SQL the same as a condition on the archive view, or NULL for groups saved in
-- the older form, whose condition the viewer derives from Filter.
CREATE TABLE EventFilters (
    GroupID             INTEGER NOT NULL,
    FilterName          TEXT NOT NULL COLLATE NOCASE,
    FilterType          INTEGER NOT NULL,
    Filter              TEXT,
    FilterDescription   TEXT,
    SQL                 TEXT
);
CREATE INDEX EventFilters_GroupID ON EventFilters (GroupID);

-- Localisation --------------------------------------------------------------------------------

-- Texts that components fetch by number.
CREATE TABLE ResourceStrings (
    ResourceID      INTEGER PRIMARY KEY,
    ResourceText    TEXT NOT NULL
);

-- Captions that replace a window's own, by window number (54 viewer, 17 menus, 18 properties
-- dialog) and control name; ControlIndex is the index within a control array, NULL otherwise.
CREATE TABLE Localization (
    WindowNumber    INTEGER NOT NULL,
    ControlName     TEXT NOT NULL COLLATE NOCASE,
    ControlIndex    INTEGER,
    Caption         TEXT NOT NULL
);
CREATE UNIQUE INDEX Localization_Control ON Localization (WindowNumber, ControlName, ifnull(ControlIndex, -1));

-- Errors that components hand to the host (LogError).
CREATE TABLE HostErrorLog (
    LogID       INTEGER PRIMARY KEY,
    dtDate      DATETIME NOT NULL,
    Label       TEXT NOT NULL,
    Number      INTEGER NOT NULL,
    Description TEXT NOT NULL,
    Detail      TEXT
);

-- Stored procedures: their parameters in call order and a body of SQLite statements run in order.
CREATE TABLE ov_procedures (
    name        TEXT PRIMARY KEY COLLATE NOCASE,
    parameters  TEXT NOT NULL,
    body        TEXT NOT NULL
);
)sql";

// Each procedure answers with the rows of its last statement; output parameters take the
// same-named column of that result's first row.
constexpr std::array<ProcedureDefinition, 11> Procedures{{
    // Settings ----------------------------------------------------------------------------------
    {"RegistryRead", "@ServerName, @Section, @KeyName",
     // The server's own row comes last: callers keep the last row they read.
     "SELECT [Value] FROM Registry"
     " WHERE Section = @Section AND KeyName = @KeyName AND (ServerName = @ServerName OR ServerName = '*')"
     " ORDER BY ServerName <> '*'"},
    {"ZUL_Update_Profile_Persisted_Details", "@ProfileID, @ObjectID, @Property, @Value",
     "INSERT INTO Profile_Details (ProfileID, ObjectID, Property, [Value])"
     " VALUES (@ProfileID, @ObjectID, @Property, @Value)"
     " ON CONFLICT (ProfileID, ObjectID, Property) DO UPDATE SET [Value] = excluded.[Value]"},

    // Filter groups -----------------------------------------------------------------------------
    {"ZUL_InsertEventFilterGroup", "@SiteID, @GroupName, @ReturnedID OUTPUT, @OperatorID",
     "INSERT INTO EventFilterGroups (SiteID, GroupName, OperatorID, CreatedDate)"
     " VALUES (@SiteID, @GroupName, @OperatorID, strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'));"
     "SELECT last_insert_rowid() AS ReturnedID"},
    // Profiles that pointed at the group go back to no filter rather than to a group that is gone.
    {"ZUL_DeleteFilterGroup", "@GroupID",
     "DELETE FROM EventFilters WHERE GroupID = @GroupID;"
     "DELETE FROM RoleEventFilterGroups WHERE GroupID = @GroupID;"
     "UPDATE Profile_Details SET [Value] = '0'"
     " WHERE ObjectID = 4 AND Property = 'FilterGroupID' AND [Value] = CAST(@GroupID AS TEXT);"
     "DELETE FROM EventFilterGroups WHERE GroupID = @GroupID"},
    // The groups an operator may choose at a site: site-wide ones and the site's own, if the
    // operator is an administrator, created the group or holds a role it was given to.
    {"ZUL_Roles_Fetch_EventFilterGroups", "@SiteID, @OperatorID",
     "SELECT g.GroupID, g.GroupName FROM EventFilterGroups g"
     " WHERE (g.SiteID = 0 OR g.SiteID = @SiteID)"
     " AND (g.OperatorID = @OperatorID"
     " OR EXISTS (SELECT 1 FROM Operators o WHERE o.OperatorID = @OperatorID AND o.IsAdmin = 1)"
     " OR EXISTS (SELECT 1 FROM RoleEventFilterGroups r JOIN Operators o ON o.RoleID = r.RoleID"
     " WHERE o.OperatorID = @OperatorID AND r.GroupID = g.GroupID))"
     " ORDER BY g.GroupName, g.GroupID"},

    // Routing -----------------------------------------------------------------------------------
    {"rp_Role_Routing_DeniedCount", "@UserID, @WorkstationID, @EventID, @Address",
     "SELECT COUNT(*) AS DeniedCount FROM RoutingRules r JOIN Operators o ON o.RoleID = r.RoleID"
     " WHERE o.OperatorID = @UserID AND r.Denied = 1 AND r.WorkstationID IN (0, @WorkstationID)"
     " AND @EventID BETWEEN r.EventIDFrom AND r.EventIDTo AND @Address LIKE r.AddressPattern"},
    {"rp_Role_Routing_SysTranDeniedCount", "@UserID, @WorkstationID, @CredID1, @CredID2",
     "SELECT COUNT(*) AS DeniedCount FROM RoutingDepartmentDenials d"
     " JOIN Operators o ON o.RoleID = d.RoleID"
     " JOIN CardHolders h ON h.DepartmentID = d.DepartmentID"
     " JOIN Credentials c ON c.CardHolderID = h.CardHolderID"
     " WHERE o.OperatorID = @UserID AND d.WorkstationID IN (0, @WorkstationID)"
     " AND c.CredentialID IN (@CredID1, @CredID2)"},
    {"ZEKO_Role_Routing_SysTranDeniedCount", "@UserID, @HostID1, @HostID2",
     "SELECT COUNT(*) AS DeniedCount FROM ZEKO_RoutingHostDenials d"
     " JOIN Operators o ON o.RoleID = d.RoleID"
     " WHERE o.OperatorID = @UserID AND d.HostID > 0 AND d.HostID IN (@HostID1, @HostID2)"},
    {"rp_Role_Routing_Granted_Timezones", "@UserID",
     "SELECT t.GenericTimeZoneID FROM RoleTimeZones t JOIN Operators o ON o.RoleID = t.RoleID"
     " WHERE o.OperatorID = @UserID ORDER BY t.SortOrder, t.GenericTimeZoneID"},

    // Time zones --------------------------------------------------------------------------------
    {"rp_FetchTimeZoneInfo", "@TimeZoneID",
     "SELECT TimeZoneID, Name, Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday,"
     " StartTime, EndTime FROM TimeZones WHERE TimeZoneID = @TimeZoneID"},

    // Operators ---------------------------------------------------------------------------------
    // The host's security object: an operator's sub-permissions of one component type.
    {"rp_FetchOperatorSubPermissions", "@OperatorID, @ComponentType",
     "SELECT SubPermission, CanView, CanEdit FROM OperatorPermissions"
     " WHERE OperatorID = @OperatorID AND ComponentType = @ComponentType ORDER BY SubPermission"},
}};

} // namespace

QString HostSchema::tablesScript()
{
    return QString::fromUtf8(TablesScript);
}

std::span<const ProcedureDefinition> HostSchema::procedures()
{
    return Procedures;
}

void HostSchema::create(SqliteFile &file)
{
    file.beginTransaction();
    try {
        file.exec(tablesScript());
        SqliteStatement insert(file.handle(),
                               QStringLiteral("INSERT INTO ov_procedures (name, parameters, body) VALUES (?, ?, ?)"));
        for (const ProcedureDefinition &procedure : Procedures)
            insert.bind(1, procedure.name).bind(2, procedure.parameters).bind(3, procedure.body).run();
        file.commit();
    } catch (...) {
        file.rollback();
        throw;
    }
}

} // namespace Ostraven
