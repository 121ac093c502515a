#include "host/db/demosite.h"

#include "host/db/sqlitefile.h"
#include "host/db/sqlitestatement.h"

#include <QRandomGenerator>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace Ostraven {

namespace {

// Hardware ------------------------------------------------------------------------------------

struct Port {
    int id;
    const char *name;
    const char *address;
};
constexpr std::array<Port, 4> Ports{{
    {1, "Port 1 - Main Building", "\\\\SRV1.1"},
    {2, "Port 2 - Warehouse", "\\\\SRV1.2"},
    {3, "Port 3 - East Wing Ardo", "\\\\SRV1.3"},
    {4, "Port 4 - Car Park Ardo", "\\\\SRV1.4"},
}};

struct Ardo {
    int id;
    const char *name;
    int portId;
    const char *address;
};
constexpr std::array<Ardo, 2> Ardoes{{
    {1, "East Wing Ardo", 3, "\\\\SRV1.3"},
    {2, "Car Park Ardo", 4, "\\\\SRV1.4"},
}};

struct Controller {
    int id;
    const char *name;
    int portId;
    const char *address;
};
constexpr std::array<Controller, 7> Controllers{{
    {1, "Main Entrance", 1, "\\\\SRV1.1.1"},
    {2, "Reception", 1, "\\\\SRV1.1.2"},
    {3, "Server Room", 1, "\\\\SRV1.1.3"},
    {4, "Warehouse Dock", 2, "\\\\SRV1.2.1"},
    {5, "Warehouse Office", 2, "\\\\SRV1.2.2"},
    {6, "East Wing Offices", 3, "\\\\SRV1.3.1"},
    {7, "Car Park Barrier", 4, "\\\\SRV1.4.1"},
}};

constexpr std::array<Controller, 2> ZekoPanels{{
    {1, "Laboratory Panel", 0, "\\\\ZEKO01"},
    {2, "Annex Panel", 0, "\\\\ZEKO02"},
}};

// A door and the reader in front of it share the controller and the point's number (RD01, DR01).
struct Door {
    int id;
    const char *name;
    const char *readerAddress;
    const char *doorAddress;
    int controllerId;
};
constexpr std::array<Door, 14> Doors{{
    {1, "Main Entrance In", "\\\\SRV1.1.1.RD01", "\\\\SRV1.1.1.DR01", 1},
    {2, "Main Entrance Out", "\\\\SRV1.1.1.RD02", "\\\\SRV1.1.1.DR02", 1},
    {3, "Reception Turnstile", "\\\\SRV1.1.2.RD01", "\\\\SRV1.1.2.DR01", 2},
    {4, "Reception Side Door", "\\\\SRV1.1.2.RD02", "\\\\SRV1.1.2.DR02", 2},
    {5, "Server Room", "\\\\SRV1.1.3.RD01", "\\\\SRV1.1.3.DR01", 3},
    {6, "Server Room Cage", "\\\\SRV1.1.3.RD02", "\\\\SRV1.1.3.DR02", 3},
    {7, "Loading Bay", "\\\\SRV1.2.1.RD01", "\\\\SRV1.2.1.DR01", 4},
    {8, "Dock Office", "\\\\SRV1.2.1.RD02", "\\\\SRV1.2.1.DR02", 4},
    {9, "Warehouse Office", "\\\\SRV1.2.2.RD01", "\\\\SRV1.2.2.DR01", 5},
    {10, "Stores Cage", "\\\\SRV1.2.2.RD02", "\\\\SRV1.2.2.DR02", 5},
    {11, "East Wing Lobby", "\\\\SRV1.3.1.RD01", "\\\\SRV1.3.1.DR01", 6},
    {12, "East Wing Stairs", "\\\\SRV1.3.1.RD02", "\\\\SRV1.3.1.DR02", 6},
    {13, "Car Park Entry", "\\\\SRV1.4.1.RD01", "\\\\SRV1.4.1.DR01", 7},
    {14, "Car Park Exit", "\\\\SRV1.4.1.RD02", "\\\\SRV1.4.1.DR02", 7},
}};

constexpr std::array<Door, 3> ZekoDoors{{
    {501, "Laboratory Entrance", "\\\\ZEKO01.1.RD01", "\\\\ZEKO01.1.DR01", 1},
    {502, "Laboratory Store", "\\\\ZEKO01.1.RD02", "\\\\ZEKO01.1.DR02", 1},
    {503, "Annex Entrance", "\\\\ZEKO02.1.RD01", "\\\\ZEKO02.1.DR01", 2},
}};

struct Point {
    const char *name;
    const char *address;
};
constexpr std::array<Point, 8> Inputs{{
    {"Main Entrance Door Contact", "\\\\SRV1.1.1.IN01"},
    {"Reception Panic Button", "\\\\SRV1.1.2.IN05"},
    {"Server Room Smoke Detector", "\\\\SRV1.1.3.IN02"},
    {"Server Room Cabinet Tamper", "\\\\SRV1.1.3.IN03"},
    {"Loading Bay Shutter", "\\\\SRV1.2.1.IN01"},
    {"Stores Cage Motion", "\\\\SRV1.2.2.IN04"},
    {"East Wing Fire Exit", "\\\\SRV1.3.1.IN02"},
    // Some points report with a leading "$"; the viewer strips it.
    {"Car Park Loop Detector", "$\\\\SRV1.4.1.IN01"},
}};
constexpr std::array<Point, 3> Relays{{
    {"Main Entrance Strike", "\\\\SRV1.1.1.RL01"},
    {"Loading Bay Beacon", "\\\\SRV1.2.1.RL02"},
    {"Car Park Barrier Motor", "\\\\SRV1.4.1.RL01"},
}};
constexpr std::array<Point, 4> ZekoInputs{{
    {"Laboratory Freezer Alarm", "\\\\ZEKO01.2.3"},
    {"Laboratory Window", "\\\\ZEKO01.2.4"},
    {"Annex Roller Door", "\\\\ZEKO02.2.1"},
    // Older panel firmware pads the parts of an address with zeros.
    {"Annex Roof Hatch", "\\\\ZEKO02.002.0004"},
}};
constexpr std::array<Point, 3> Integrations{{
    {"Fire Panel Loop 1", "\\\\SRV1.9.FP01"},
    {"Intrusion Zone Warehouse", "\\\\SRV1.9.IZ01"},
    {"Camera Car Park 2", "\\\\SRV1.9.CM02"},
}};

// Card holders --------------------------------------------------------------------------------

struct Department {
    int id;
    const char *name;
};
constexpr std::array<Department, 7> Departments{{
    {1, "Administration"}, {2, "Facilities"}, {3, "Security"}, {4, "Research"},
    {5, "Warehouse"},      {6, "Executive"},  {7, "Contractors"},
}};

struct CardHolder {
    const char *lastName;
    const char *firstName;
    int departmentId;
};
// Names carry commas, apostrophes and letters beyond ASCII, as real card holder lists do.
constexpr std::array<CardHolder, 32> CardHolders{{
    {"Smith", "Jordan", 3},       {"O'Brien", "Liam", 2},      {"Müller", "Jürgen", 4},
    {"Nakamura", "Aiko", 4},      {"Okafor", "Chidi", 5},      {"Lindqvist", "Åsa", 1},
    {"Dubois", "Hélène", 6},      {"Kowalski", "Łukasz", 5},   {"García", "José", 2},
    {"Patel", "Priya", 4},        {"Byrne", "Siobhán", 1},     {"Novák", "Tomáš", 7},
    {"Haddad", "Yara", 3},        {"Fischer", "Anna", 4},      {"D'Angelo", "Marco", 7},
    {"Chen", "Wei", 4},           {"Andersen", "Mette", 1},    {"Silva", "João", 5},
    {"Ivanova", "Olga", 2},       {"MacLeod", "Euan", 3},      {"Rossi", "Giulia", 6},
    {"Yılmaz", "Emre", 5},        {"Kelly", "Niamh", 1},       {"Schneider", "Lukas", 2},
    {"Mensah", "Kwame", 5},       {"Berg", "Ingrid", 4},       {"López", "María", 3},
    {"Nguyen", "Minh", 7},        {"Walsh", "Declan", 6},      {"Costa", "Inês", 1},
    {"Horvát", "Zoltán", 2},      {"Ahmed", "Fatima", 4},
}};
constexpr int FirstCredentialId = 1001;
constexpr int FirstCardNumber = 40117;

// Event definitions ---------------------------------------------------------------------------

// What an event is about decides its address and the wording of its description.
enum class Subject {
    Server, Card, TwoCards, UnknownCard, Door, Input, Relay, Controller, Reader, Port, Ardo,
    Integration, ZekoCard, ZekoUnknownCard, ZekoDoor, ZekoInput, ZekoPanel
};

enum class Log { AlarmActive, Transactions, Misc, Events };

struct Definition {
    int eventId;
    const char *defaultText;
    const char *siteText; // the site's own name for the event; "" keeps the default
    Subject subject;
    int weight;           // relative frequency within its class; 0 never happens
    bool isAlarm = false;
    int zekoType = 0;
    const char *category = nullptr; // second family: each definition has its own
    Log log = Log::Events;
};

constexpr std::array<Definition, 8> SoftwareDefinitions{{
    {1001, "Operator Logged On", "", Subject::Server, 8},
    {1002, "Operator Logged Off", "", Subject::Server, 7},
    {1010, "Database Backup Completed", "", Subject::Server, 1},
    {1020, "Client Heartbeat", "", Subject::Server, 6},
    {1100, "Card Holder Record Changed", "", Subject::Server, 4},
    {1200, "Report Printed", "", Subject::Server, 2},
    {1300, "Alarm Acknowledged", "", Subject::Server, 4},
    {1499, "Undefined Software Event 1499", "", Subject::Server, 0},
}};
constexpr std::array<Definition, 12> TransactionDefinitions{{
    {2000, "Access Granted", "", Subject::Card, 60},
    {2001, "Access Granted - No Entry", "", Subject::Card, 4},
    {2010, "Access Granted - Duress", "", Subject::Card, 1},
    {2020, "Access Granted - Two-Person Rule", "", Subject::TwoCards, 2},
    {2100, "Access Denied - Invalid Card", "", Subject::UnknownCard, 4},
    {2101, "Access Denied - Card Expired", "", Subject::Card, 2},
    {2102, "Access Denied - Outside Time Zone", "Access Denied - Wrong Time", Subject::Card, 3},
    {2103, "Access Denied - Anti-Passback", "", Subject::Card, 2},
    {2200, "Access Denied - Wrong PIN", "", Subject::Card, 2},
    {3000, "Exit Granted", "", Subject::Card, 15},
    {3701, "Card Trace", "", Subject::Card, 1},
    {3899, "Undefined Transaction 3899", "", Subject::Card, 0},
}};
constexpr std::array<Definition, 7> ExternalDefinitions{{
    {4000, "Input Active", "", Subject::Input, 10},
    {4001, "Input Normal", "", Subject::Input, 10},
    {4100, "Relay Energized", "", Subject::Relay, 4},
    {4101, "Relay De-energized", "", Subject::Relay, 4},
    {4200, "Request to Exit", "", Subject::Door, 8},
    {4300, "PELA*Bus Input Active", "", Subject::Input, 0},
    {4499, "Undefined External Event 4499", "", Subject::Input, 0},
}};
constexpr std::array<Definition, 8> AlarmDefinitions{{
    {5000, "Door Forced Open", "", Subject::Door, 6},
    {5001, "Door Held Open", "", Subject::Door, 10},
    {5010, "Reader Tamper", "Reader Tamper (Cover Removed)", Subject::Reader, 2},
    {5020, "Input Point Alarm", "", Subject::Input, 6},
    {5100, "AC Power Failure", "", Subject::Controller, 1},
    {5500, "Duress Alarm", "", Subject::Card, 1},
    {5600, "Low Battery", "", Subject::Controller, 2},
    {5998, "Undefined Alarm 5998", "", Subject::Controller, 0},
}};
constexpr std::array<Definition, 6> ProgrammingDefinitions{{
    {6000, "Download Started", "", Subject::Controller, 4},
    {6001, "Download Complete", "", Subject::Controller, 4},
    {6100, "Time Zones Updated", "", Subject::Controller, 2},
    {6200, "Card Database Updated", "", Subject::Controller, 3},
    {8700, "Firmware Update Started", "", Subject::Controller, 1},
    {8701, "Firmware Update Complete", "", Subject::Controller, 1},
}};
constexpr std::array<Definition, 4> ArdoDefinitions{{
    {7000, "Ardo Online", "", Subject::Ardo, 3},
    {7001, "Ardo Offline", "", Subject::Ardo, 3},
    {7100, "Ardo Link Restored", "", Subject::Ardo, 2},
    {7101, "Ardo Link Lost", "", Subject::Ardo, 2},
}};
constexpr std::array<Definition, 5> MiscDefinitions{{
    {8000, "Controller Reset", "", Subject::Controller, 2},
    {8001, "Controller Clock Set", "", Subject::Controller, 3},
    {8020, "Card Presented at Disabled Reader", "", Subject::Card, 3},
    {8050, "Event Buffer 80% Full", "", Subject::Controller, 2},
    {8400, "Controller Memory Low", "", Subject::Controller, 1},
}};
constexpr std::array<Definition, 3> PortDefinitions{{
    {8500, "Port Online", "", Subject::Port, 3},
    {8501, "Port Offline", "", Subject::Port, 3},
    {8550, "Port Reconnecting", "", Subject::Port, 2},
}};
constexpr std::array<Definition, 6> InternalDefinitions{{
    {9000, "Controller Online", "", Subject::Controller, 4},
    {9001, "Controller Offline", "", Subject::Controller, 4},
    {9010, "Reader Online", "", Subject::Reader, 3},
    {9011, "Reader Offline", "", Subject::Reader, 3},
    {9050, "PELA*Bus Interface Started", "", Subject::Server, 1},
    {9099, "Undefined Internal Event 9099", "", Subject::Controller, 0},
}};
constexpr std::array<Definition, 6> IntegratedDefinitions{{
    {10001, "Fire Panel Alarm", "", Subject::Integration, 1, true},
    {10002, "Fire Panel Normal", "", Subject::Integration, 1},
    {12000, "Intrusion Zone Armed", "Warehouse Alarm Set", Subject::Integration, 4},
    {12001, "Intrusion Zone Disarmed", "Warehouse Alarm Unset", Subject::Integration, 4},
    {12002, "Intrusion Zone Alarm", "", Subject::Integration, 1, true},
    {15000, "Camera Motion Detected", "", Subject::Integration, 6},
}};
constexpr std::array<Definition, 13> ZekoDefinitions{{
    {80001, "Access Granted", "", Subject::ZekoCard, 40, false, 20, "ZekoSeries Transaction", Log::Transactions},
    {80002, "Access Denied - Unknown Card", "", Subject::ZekoUnknownCard, 3, false, 20, "ZekoSeries Transaction",
     Log::Transactions},
    {80003, "Access Denied - Schedule", "", Subject::ZekoCard, 3, false, 20, "ZekoSeries Transaction",
     Log::Transactions},
    {80100, "Door Forced Open", "", Subject::ZekoDoor, 2, true, 0, "ZekoSeries Alarm", Log::AlarmActive},
    {80101, "Door Held Open", "", Subject::ZekoDoor, 3, true, 0, "ZekoSeries Alarm", Log::AlarmActive},
    {80200, "Input Active", "", Subject::ZekoInput, 6, false, 22, "ZekoSeries External"},
    {80201, "Input Normal", "", Subject::ZekoInput, 6, false, 22, "ZekoSeries External"},
    {80300, "Panel Online", "", Subject::ZekoPanel, 2, false, 21, "ZekoSeries Internal"},
    // Older panels report their link state under the first family's category name.
    {80301, "Panel Offline", "", Subject::ZekoPanel, 2, false, 21, "KORA*GATE Internal"},
    {80400, "Panel Clock Synchronised", "", Subject::ZekoPanel, 3, false, 24, "ZekoSeries Misc"},
    {80500, "Configuration Downloaded", "", Subject::ZekoPanel, 2, false, 25, "ZEKO Programming"},
    {80501, "Operator Command Executed", "", Subject::ZekoPanel, 2, false, 25, "ZEKO Software"},
    {80999, "Undefined Panel Event", "", Subject::ZekoPanel, 0, false, 21, "ZekoSeries Internal"},
}};

struct EventClass {
    const char *table;    // the definitions' table
    const char *category; // the archive's category text
    Log log;
    int weight;           // share of the archive, per thousand
    std::span<const Definition> definitions;
};
const std::array<EventClass, 11> EventClasses{{
    {"SoftwareTransactionEvents", "Software", Log::Events, 60, SoftwareDefinitions},
    {"SystemTransactionEvents", "KORA*GATE Transaction", Log::Transactions, 500, TransactionDefinitions},
    {"ExternalEvents", "KORA*GATE External", Log::Events, 90, ExternalDefinitions},
    {"Alarms", "KORA*GATE Alarm", Log::AlarmActive, 50, AlarmDefinitions},
    {"ProgrammingEvents", "Programming", Log::Events, 25, ProgrammingDefinitions},
    {"ArdoEvents", "KORA*GATE Communication", Log::Events, 20, ArdoDefinitions},
    {"MISCEvents", "KORA*GATE Miscellaneous", Log::Misc, 40, MiscDefinitions},
    {"PortEvents", "KORA*GATE Communication", Log::Events, 20, PortDefinitions},
    {"InternalEvents", "KORA*GATE Internal", Log::Events, 50, InternalDefinitions},
    {"IntegratedEvents", "Integrated Event", Log::Events, 35, IntegratedDefinitions},
    {"ZEKO_EventDefinitions", nullptr, Log::Events, 110, ZekoDefinitions},
}};

constexpr std::array<const char *, 3> OperatorLogins{"admin", "jsmith", "mlopez"};
constexpr std::array<const char *, 3> WorkstationNames{"ADMIN-PC", "GUARD-DESK-01", "GUARD-DESK-02"};

// Everything that the archive does not need to know: people, rights, routing, time zones,
// settings, filter groups and texts.
constexpr const char *ReferenceScript = R"sql(
INSERT INTO Sites VALUES (1, 'Harbour Street Campus', '12 Harbour Street'),
                         (2, 'Riverside Depot', 'Unit 4, Riverside Estate');
INSERT INTO Servers VALUES (1, 'SRV1', 1, '\\SRV1');

INSERT INTO Roles VALUES (1, 'Administrators'), (2, 'Guard Desk'), (3, 'Supervisors');
INSERT INTO Profiles VALUES (1, 'Administrator'), (2, 'Guard Desk'), (3, 'Shift Supervisor');
INSERT INTO Operators VALUES
    (101, 'admin', 'Site Administrator', 1, 1, 1, 1),
    (102, 'jsmith', 'Jordan Smith', 2, 2, 0, 0),
    (103, 'mlopez', 'María López', 3, 3, 0, 1);
INSERT INTO Workstations VALUES (1, 'ADMIN-PC', 'SRV1', 1), (2, 'GUARD-DESK-01', 'SRV1', 1),
                                (3, 'GUARD-DESK-02', 'SRV1', 1);

INSERT INTO ComponentTypes VALUES (12, 'Alarm Monitor'), (45, 'Card Holder Manager'), (96, 'Event Viewer');
INSERT INTO SubPermissions VALUES
    (12, 'AcknowledgeAlarms', 'Acknowledge and clear alarms'),
    (45, 'EditCardHolders', 'Add, change and remove card holders'),
    (96, 'ViewAllEvents', 'See every event when no filter group is selected'),
    (96, 'ChangeProps', 'Change the viewer''s properties, filters and filter groups'),
    (96, 'CopyToClipboard', 'Copy events and addresses to the clipboard');
INSERT INTO OperatorPermissions VALUES
    (101, 12, 'AcknowledgeAlarms', 1, 1), (101, 45, 'EditCardHolders', 1, 1),
    (101, 96, 'ViewAllEvents', 1, 1), (101, 96, 'ChangeProps', 1, 1), (101, 96, 'CopyToClipboard', 1, 1),
    (102, 12, 'AcknowledgeAlarms', 1, 0),
    (102, 96, 'ViewAllEvents', 0, 0), (102, 96, 'ChangeProps', 0, 0), (102, 96, 'CopyToClipboard', 1, 0),
    (103, 12, 'AcknowledgeAlarms', 1, 1), (103, 45, 'EditCardHolders', 1, 0),
    (103, 96, 'ViewAllEvents', 1, 0), (103, 96, 'ChangeProps', 1, 1), (103, 96, 'CopyToClipboard', 0, 0);

-- Guards see nothing of the server room nor of software events, and GUARD-DESK-02 sees no
-- warehouse card transactions; supervisors do not follow the annex panel. The last rule is a
-- documented grant and denies nothing.
INSERT INTO RoutingRules VALUES
    (1, 2, 0, 0, 99999, '\\SRV1.1.3%', 1),
    (2, 2, 0, 1000, 1500, '%', 1),
    (3, 2, 3, 2000, 3900, '\\SRV1.2%', 1),
    (4, 3, 0, 80000, 89999, '\\ZEKO02%', 1),
    (5, 2, 0, 5000, 5999, '%', 0);
INSERT INTO RoutingDepartmentDenials VALUES (2, 0, 6);
INSERT INTO ZEKO_RoutingHostDenials VALUES (2, 9001);

INSERT INTO TimeZones VALUES
    (1, 'Never', 0, 0, 0, 0, 0, 0, 0, '00:00', '00:00'),
    (2, 'Always', 1, 1, 1, 1, 1, 1, 1, '00:00', '23:59'),
    (10, 'Business Hours', 0, 1, 1, 1, 1, 1, 0, '07:00', '18:00'),
    (11, 'Weekend', 1, 0, 0, 0, 0, 0, 1, '00:00', '23:59'),
    (12, 'Weekday Evenings', 0, 1, 1, 1, 1, 1, 0, '18:01', '23:59'),
    (13, 'Night Shift', 1, 1, 1, 1, 1, 1, 1, '22:00', '06:00');
INSERT INTO MasterTimeZones VALUES (20, 'Guard Shifts');
INSERT INTO mastertimezonestotimezones VALUES (20, 10), (20, 12), (20, 11);
INSERT INTO GenericTimeZones VALUES
    (1, 1, 0, 'Never'), (2, 2, 0, 'Always'), (3, 10, 0, 'Business Hours'), (4, 11, 0, 'Weekend'),
    (5, 12, 0, 'Weekday Evenings'), (6, 20, 1, 'Guard Shifts'), (7, 13, 0, 'Night Shift');
INSERT INTO RoleTimeZones VALUES (1, 2, 1), (2, 6, 1), (3, 3, 1), (3, 4, 2);

INSERT INTO MiscProperties VALUES ('EV_ShowMS', 'False'), ('ZK2Tm5HardwareSupport', 'True'),
                                  ('SiteName', 'Harbour Street Campus');
INSERT INTO Registry VALUES ('*', 'PaxServer', 'EnableRouting', 'False'),
                            ('SRV1', 'PaxServer', 'EnableRouting', 'True'),
                            ('*', 'PaxServer', 'EventRetentionDays', '90');

INSERT INTO EventFilterGroups VALUES
    (1, 1, 'Front Entrance & Alarms', 101, '2024-03-04 09:12:40'),
    (2, 1, 'Hide Warehouse & Annex', 101, '2023-11-20 16:05:02');
INSERT INTO RoleEventFilterGroups VALUES (2, 1), (3, 2);
INSERT INTO EventFilters VALUES
    (1, 'Front Entrance & Alarms', 1, '5000', '((Event is ''5000'') )', '(([ID] = 5000) )'),
    (1, 'Front Entrance & Alarms', 1, '\\SRV1.1.1', '(Controller is ''Main Entrance'')',
        '(Address LIKE ''\\SRV1.1.1%'')'),
    (1, 'Front Entrance & Alarms', 1, '2100,\\SRV1.2', '((Event is ''2100'') AND (Port is ''Port 2 - Warehouse''))',
        '(([ID] = 2100) AND (Address NOT LIKE ''\\ZEKO%'' AND (''\\'' + Substring(Address, CharIndex(''.'',Address,1) + 1,30) LIKE ''\\2%'')))'),
    (1, 'Front Entrance & Alarms', 1, '\\ZEKO01', '(Controller is ''Laboratory Panel'')',
        '(Address LIKE ''\\ZEKO01%'')'),
    (2, 'Hide Warehouse & Annex', 0, '8050', '((Event is ''8050'') )', NULL),
    (2, 'Hide Warehouse & Annex', 0, '\\SRV1.2', '(Port is ''Port 2 - Warehouse'')', NULL),
    (2, 'Hide Warehouse & Annex', 0, '\\ZEKO02', '(Controller is ''Annex Panel'')', NULL);

INSERT INTO Profile_Details VALUES
    (1, 4, 'Height', '7200'), (1, 4, 'Left', '120'), (1, 4, 'Top', '120'), (1, 4, 'Width', '14400'),
    (1, 4, 'FilterGroupID', '0'), (1, 4, 'MaxLines', '500'), (1, 4, 'LoadCachedEvents', 'True'),
    (1, 4, 'DisplayEventsAtTop', 'True'), (1, 4, 'Colors', 'Use Object Default'),
    (1, 4, 'ColumnHeaders', 'Use Object Default'), (1, 4, 'TypeFilter', '0'), (1, 4, 'RedrawRate', '0'),
    (1, 3, 'MaxLines', '50'),
    (2, 4, 'FilterGroupID', '1'), (2, 4, 'MaxLines', 'Use Object Default'),
    (2, 4, 'LoadCachedEvents', 'True'), (2, 4, 'DisplayEventsAtTop', 'False'),
    (2, 4, 'Colors', '0,16777215,4210752,255,65280,16776960,16777215,32896,33023,65535,16744703,16730712'),
    (2, 4, 'ColumnHeaders', 'Description][Description][1][485][True,dbTime][Host Time][2][135][True,Address][Address][3][130][True,Type][Event Type][4][134][True,ID][Event ID][5][58][True,dtTime][Controller Time][6][139][False,NotUsed][NotUsed][7][64][False'),
    (2, 4, 'TypeFilter', '0'),
    (3, 4, 'FilterGroupID', '2'), (3, 4, 'MaxLines', '200'), (3, 4, 'LoadCachedEvents', 'True'),
    (3, 4, 'DisplayEventsAtTop', 'True'), (3, 4, 'Colors', 'Use Object Default'),
    (3, 4, 'ColumnHeaders', 'Use Object Default'), (3, 4, 'TypeFilter', '0');

INSERT INTO ResourceStrings VALUES
    (271, 'Choose an event, a port, a controller or an Ardo before adding a criterion.'),
    (283, 'Maximum lines to display must be a number from 1 to 1500.'),
    (311, 'Background'),
    (313, 'Background While Scrolling Is Suspended'),
    (314, 'Alarm Events'), (315, 'External Events'), (316, 'Internal Events'),
    (317, 'Miscellaneous Events'), (318, 'Port Events'), (319, 'Programming Events'),
    (320, 'Software Events'), (321, 'Transaction Events'), (322, 'Ardo Events'),
    (323, '(Any)'),
    (324, '<New Filter Group>'),
    (325, '(No Filter)'),
    (337, 'Enter a name for the filter group:'),
    (338, 'Filter Group Name'),
    (349, 'Port'), (350, 'Controller'), (351, 'Ardo'),
    (430, 'Host Time'), (431, 'Description'), (433, 'Address'), (434, 'Event Type'),
    (435, 'Event ID'), (436, 'Controller Time'),
    (1571, 'You do not have permission to change the Event Viewer properties.'),
    (2604, 'The filter group "%1" has changes that are not saved. Do you want to save them?');

INSERT INTO Localization VALUES
    (54, 'FEvents', NULL, 'Event Viewer - Harbour Street'),
    (17, 'mnuEventArray', 0, 'Filter Events By Type'),
    (18, 'FCustom', NULL, 'Event Viewer Properties');
)sql";

// The archive ------------------------------------------------------------------------------

class ArchiveWriter
{
public:
    ArchiveWriter(SqliteFile &file, const DemoSite::Options &options)
        : m_options(options),
          m_random(options.seed),
          m_alarm(file.handle(), QStringLiteral("INSERT INTO AlarmActive (EventID, Address, Type, dtDate, dbDate,"
                                                " Description, UID1, UID2, Acknowledged) VALUES (?,?,?,?,?,?,?,?,?)")),
          m_transaction(file.handle(), QStringLiteral("INSERT INTO Log_Transactions (Event, NetAddress, Type, dtDate,"
                                                      " dbDate, Description, UID1, UID2) VALUES (?,?,?,?,?,?,?,?)")),
          m_misc(file.handle(), QStringLiteral("INSERT INTO Log_Misc (Event, NetAddress, Type, dtDate, dbDate,"
                                               " Description, UID1, UID2) VALUES (?,?,?,?,?,?,?,?)")),
          m_events(file.handle(), QStringLiteral("INSERT INTO Log_Events (EventID, Address, Type, dtDate, dbDate,"
                                                 " Description, UID1, UID2) VALUES (?,?,?,?,?,?,?,?)"))
    {
    }

    void write()
    {
        const std::vector<QDateTime> times = eventTimes();
        for (const QDateTime &hostTime : times)
            writeEvent(pickClass(), hostTime);
    }

private:
    struct Subjected {
        QString address;
        QString detail;
        int uid1 = 0;
        int uid2 = 0;
    };

    int bounded(int limit) { return int(m_random.bounded(quint32(limit))); }

    template <typename Item, std::size_t N>
    const Item &any(const std::array<Item, N> &items)
    {
        return items[std::size_t(bounded(int(N)))];
    }

    // Sites are busy by day and quiet at night: an hour outside 07:00 to 19:00 is kept only in
    // about a third of the draws.
    // Times are the site's wall-clock times. They are worked out in UTC terms because local-time
    // arithmetic consults the system's time-zone files on every call, which dominates a large archive.
    std::vector<QDateTime> eventTimes()
    {
        const qint64 span = qint64(m_options.archiveDays) * 86400;
        const QDateTime wallEnd(m_options.archiveEnd.date(), m_options.archiveEnd.time(), QTimeZone::utc());
        const QDateTime start = wallEnd.addSecs(-span);
        std::vector<qint64> offsets;
        offsets.reserve(std::size_t(m_options.archiveEvents));
        while (int(offsets.size()) < m_options.archiveEvents) {
            const qint64 offset = qint64(m_random.bounded(quint64(span)));
            const int hour = start.addSecs(offset).time().hour();
            if ((hour < 7 || hour >= 19) && bounded(3) != 0)
                continue;
            offsets.push_back(offset);
        }
        std::sort(offsets.begin(), offsets.end());
        std::vector<QDateTime> times;
        times.reserve(offsets.size());
        for (const qint64 offset : offsets)
            times.push_back(start.addSecs(offset).addMSecs(20 + bounded(1400)));
        return times;
    }

    const EventClass &pickClass()
    {
        int total = 0;
        for (const EventClass &eventClass : EventClasses)
            total += eventClass.weight;
        int draw = bounded(total);
        for (const EventClass &eventClass : EventClasses) {
            if (draw < eventClass.weight)
                return eventClass;
            draw -= eventClass.weight;
        }
        return EventClasses.front();
    }

    const Definition &pickDefinition(const EventClass &eventClass)
    {
        int total = 0;
        for (const Definition &definition : eventClass.definitions)
            total += definition.weight;
        int draw = bounded(total);
        for (const Definition &definition : eventClass.definitions) {
            if (draw < definition.weight)
                return definition;
            draw -= definition.weight;
        }
        return eventClass.definitions.front();
    }

    int credentialOf(int holderIndex) const { return FirstCredentialId + holderIndex; }
    int cardNumberOf(int holderIndex) const { return FirstCardNumber + 37 * holderIndex; }

    QString holderText(int holderIndex) const
    {
        const CardHolder &holder = CardHolders[std::size_t(holderIndex)];
        // No comma in a card holder's text: the viewer shows commas in archived descriptions as ";",
        // and the photo call-up finds the logged event by the description it shows.
        return QStringLiteral("%1 %2 (Card %3)")
            .arg(QString::fromUtf8(holder.firstName), QString::fromUtf8(holder.lastName))
            .arg(cardNumberOf(holderIndex));
    }

    Subjected cardAt(const Door &door)
    {
        const int holder = bounded(int(CardHolders.size()));
        return {QString::fromUtf8(door.readerAddress),
                holderText(holder) + QStringLiteral(" at ") + QString::fromUtf8(door.name), credentialOf(holder)};
    }

    Subjected unknownCardAt(const Door &door)
    {
        return {QString::fromUtf8(door.readerAddress),
                QStringLiteral("Card %1 at %2").arg(70000 + bounded(29999)).arg(QString::fromUtf8(door.name))};
    }

    static Subjected named(const char *address, const char *name)
    {
        return {QString::fromUtf8(address), QString::fromUtf8(name)};
    }

    Subjected subjectOf(Subject subject)
    {
        switch (subject) {
        case Subject::Server:
            return {QStringLiteral("\\\\SRV1"), QStringLiteral("%1 at %2")
                                                    .arg(QString::fromUtf8(any(OperatorLogins)),
                                                         QString::fromUtf8(any(WorkstationNames)))};
        case Subject::Card:
            return cardAt(any(Doors));
        case Subject::TwoCards: {
            Subjected result = cardAt(any(Doors));
            const int second = bounded(int(CardHolders.size()));
            result.detail += QStringLiteral(" with ") + holderText(second);
            result.uid2 = credentialOf(second);
            return result;
        }
        case Subject::UnknownCard:
            return unknownCardAt(any(Doors));
        case Subject::Door: {
            const Door &door = any(Doors);
            return named(door.doorAddress, door.name);
        }
        case Subject::Reader: {
            const Door &door = any(Doors);
            return {QString::fromUtf8(door.readerAddress), QString::fromUtf8(door.name) + QStringLiteral(" Reader")};
        }
        case Subject::Input: {
            const Point &input = any(Inputs);
            return named(input.address, input.name);
        }
        case Subject::Relay: {
            const Point &relay = any(Relays);
            return named(relay.address, relay.name);
        }
        case Subject::Controller: {
            const Controller &controller = any(Controllers);
            return named(controller.address, controller.name);
        }
        case Subject::Port: {
            const Port &port = any(Ports);
            return named(port.address, port.name);
        }
        case Subject::Ardo: {
            const Ardo &ardo = any(Ardoes);
            return named(ardo.address, ardo.name);
        }
        case Subject::Integration: {
            const Point &point = any(Integrations);
            return named(point.address, point.name);
        }
        case Subject::ZekoCard:
            return cardAt(any(ZekoDoors));
        case Subject::ZekoUnknownCard:
            return unknownCardAt(any(ZekoDoors));
        case Subject::ZekoDoor: {
            const Door &door = any(ZekoDoors);
            return named(door.doorAddress, door.name);
        }
        case Subject::ZekoInput: {
            const Point &point = any(ZekoInputs);
            return named(point.address, point.name);
        }
        case Subject::ZekoPanel: {
            const Controller &panel = any(ZekoPanels);
            return named(panel.address, panel.name);
        }
        }
        return {};
    }

    void writeEvent(const EventClass &eventClass, const QDateTime &hostTime)
    {
        const Definition &definition = pickDefinition(eventClass);
        const Subjected subject = subjectOf(definition.subject);
        const QString eventText = QString::fromUtf8(*definition.siteText ? definition.siteText
                                                                         : definition.defaultText);
        const QString description = eventText + QStringLiteral(": ") + subject.detail;
        const QString category = QString::fromUtf8(definition.category ? definition.category : eventClass.category);
        const Log log = definition.category ? definition.log : eventClass.log;
        // Software events carry no controller time; controllers run a second or two behind the host.
        const QString controllerTime = definition.subject == Subject::Server
                                           ? QStringLiteral("1800-01-01 00:00:00")
                                           : hostTime.addSecs(-bounded(3)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString hostText = hostTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));

        SqliteStatement &statement = statementFor(log);
        statement.bind(1, definition.eventId)
            .bind(2, subject.address)
            .bind(3, category)
            .bind(4, controllerTime)
            .bind(5, hostText)
            .bind(6, description)
            .bind(7, subject.uid1)
            .bind(8, subject.uid2);
        if (log == Log::AlarmActive)
            statement.bind(9, hostTime.date().daysTo(m_options.archiveEnd.date()) > 1 ? 1 : 0);
        statement.run();
    }

    SqliteStatement &statementFor(Log log)
    {
        switch (log) {
        case Log::AlarmActive:
            return m_alarm;
        case Log::Transactions:
            return m_transaction;
        case Log::Misc:
            return m_misc;
        case Log::Events:
            break;
        }
        return m_events;
    }

    const DemoSite::Options &m_options;
    QRandomGenerator m_random;
    SqliteStatement m_alarm;
    SqliteStatement m_transaction;
    SqliteStatement m_misc;
    SqliteStatement m_events;
};

// Reference data that the archive draws on ----------------------------------------------------

void writeHardware(SqliteFile &file)
{
    SqliteStatement port(file.handle(), QStringLiteral("INSERT INTO ServerPorts VALUES (?, ?, 1, ?)"));
    for (const Port &item : Ports)
        port.bind(1, item.id).bind(2, item.name).bind(3, item.address).run();
    SqliteStatement ardo(file.handle(), QStringLiteral("INSERT INTO Ardoes VALUES (?, ?, ?, ?)"));
    for (const Ardo &item : Ardoes)
        ardo.bind(1, item.id).bind(2, item.name).bind(3, item.portId).bind(4, item.address).run();
    SqliteStatement controller(file.handle(), QStringLiteral("INSERT INTO Controllers VALUES (?, ?, ?, ?)"));
    for (const Controller &item : Controllers)
        controller.bind(1, item.id).bind(2, item.name).bind(3, item.portId).bind(4, item.address).run();
    SqliteStatement panel(file.handle(), QStringLiteral("INSERT INTO ZEKO_Controllers VALUES (?, ?, 1, ?)"));
    for (const Controller &item : ZekoPanels)
        panel.bind(1, item.id).bind(2, item.name).bind(3, item.address).run();
    SqliteStatement door(file.handle(), QStringLiteral("INSERT INTO Doors VALUES (?, ?, ?, ?)"));
    for (const Door &item : Doors)
        door.bind(1, item.id).bind(2, item.name).bind(3, item.controllerId).bind(4, item.doorAddress).run();
    SqliteStatement zekoDoor(file.handle(), QStringLiteral("INSERT INTO ZEKO_Doors VALUES (?, ?, ?, ?)"));
    for (const Door &item : ZekoDoors)
        zekoDoor.bind(1, item.id).bind(2, item.name).bind(3, item.controllerId).bind(4, item.doorAddress).run();
}

void writeCardHolders(SqliteFile &file)
{
    SqliteStatement department(file.handle(), QStringLiteral("INSERT INTO Departments VALUES (?, ?)"));
    for (const Department &item : Departments)
        department.bind(1, item.id).bind(2, item.name).run();
    SqliteStatement holder(file.handle(), QStringLiteral("INSERT INTO CardHolders VALUES (?, ?, ?, ?)"));
    SqliteStatement credential(file.handle(), QStringLiteral("INSERT INTO Credentials VALUES (?, ?, ?, 1)"));
    for (int index = 0; index < int(CardHolders.size()); ++index) {
        const CardHolder &item = CardHolders[std::size_t(index)];
        holder.bind(1, index + 1).bind(2, item.lastName).bind(3, item.firstName).bind(4, item.departmentId).run();
        credential.bind(1, FirstCredentialId + index).bind(2, FirstCardNumber + 37 * index).bind(3, index + 1).run();
    }
}

void writeDefinitions(SqliteFile &file)
{
    for (const EventClass &eventClass : EventClasses) {
        const QString table = QString::fromUtf8(eventClass.table);
        if (table == QLatin1String("ZEKO_EventDefinitions")) {
            SqliteStatement insert(file.handle(), QStringLiteral("INSERT INTO ZEKO_EventDefinitions"
                                                                 " VALUES (?, ?, ?, ?, ?)"));
            for (const Definition &item : eventClass.definitions)
                insert.bind(1, item.eventId).bind(2, item.zekoType).bind(3, item.isAlarm ? 1 : 0)
                    .bind(4, item.defaultText).bind(5, item.siteText).run();
            continue;
        }
        const bool integrated = table == QLatin1String("IntegratedEvents");
        SqliteStatement insert(file.handle(), QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?%2)")
                                                  .arg(table, integrated ? QStringLiteral(", ?") : QString()));
        for (const Definition &item : eventClass.definitions) {
            insert.bind(1, item.eventId).bind(2, item.defaultText).bind(3, item.siteText);
            if (integrated)
                insert.bind(4, item.isAlarm ? 1 : 0);
            insert.run();
        }
    }
}

} // namespace

void DemoSite::populate(SqliteFile &file, const Options &options)
{
    file.beginTransaction();
    try {
        file.exec(QString::fromUtf8(ReferenceScript));
        writeHardware(file);
        writeCardHolders(file);
        writeDefinitions(file);
        ArchiveWriter(file, options).write();
        file.commit();
    } catch (...) {
        file.rollback();
        throw;
    }
}

} // namespace Ostraven
