// A host program of its own for the Ostraven Event Viewer, built against the installed tree. It loads the
// component from its file through its entry points, hands it the host's database and the two objects
// the component calls back, shows the viewer and pushes a few live events.
//
//     embed-viewer DATABASE
//
// DATABASE is a host database (`ostraven-host --db FILE --init-db` makes one). The program prints the
// rows the viewer shows and quits two seconds after the last event; QT_QPA_PLATFORM=offscreen runs it
// without a display.

#include <ostraven/eventviewobject.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>

#include <cstdio>

using namespace Ostraven;

namespace {

MemberTable::Handler constant(Variant value)
{
    return [value](Args &) { return value; };
}

// The host's service object: who is signed on where, texts from the database's resource table, and
// the operator's permissions (this host grants every one).
DispatchPtr makeNTConnection(const ConnectionPtr &database)
{
    auto grantAll = std::make_shared<MemberTable>();
    grantAll->onGet("CanView", constant(true));
    auto permissions = std::make_shared<MemberTable>();
    permissions->onGet("Item", constant(DispatchPtr(grantAll)));
    auto security = std::make_shared<MemberTable>();
    security->onPut("ComponentType", constant({}));
    security->onGet("SubPermissions", constant(DispatchPtr(permissions)));

    auto nt = std::make_shared<MemberTable>();
    nt->onGet("UserId", constant(101)); // the administrator of the site `ostraven-host --init-db` makes
    nt->onGet("WorkstationID", constant(1));
    nt->onGet("ServerName", constant("SRV1"));
    nt->onGet("EnableCustomize", constant(true));
    nt->onGet("ZK2IsTm5HardwareSupportEnabled", constant(true)); // the site has both controller families
    nt->onGet("Security", constant(DispatchPtr(security)));
    const auto resourceText = [database](Args &args) {
        auto rows = database->openRecordset("Select ResourceText From ResourceStrings Where ResourceID = " +
                                            QString::number(CLng(args.at(0))));
        return rows->eof() ? Variant("#" + CStr(args.at(0))) : rows->field(0);
    };
    nt->onCall("GetResourceString", resourceText);
    nt->onCall("GRS", resourceText); // this host fills in no %1..%9
    nt->onCall("Fix_Apostrophe", [](Args &args) { return Variant(CStr(args.at(0)).replace("'", "''")); });
    nt->onCall("USDate", [](Args &args) { return Variant(CDate(args.at(0)).format("yyyy-mm-dd hh:nn:ss")); });
    nt->onCall("ShowHelp", constant({}));
    nt->onCall("LogError", [](Args &args) {
        std::fprintf(stderr, "component error in %s\n", qPrintable(CStr(args.at(2))));
        return Variant();
    });
    return nt;
}

// The host's parent object: the component announces its window with CallBack(..., handle, "LOAD"),
// and the host places and shows it.
DispatchPtr makeParent()
{
    auto parent = std::make_shared<MemberTable>();
    parent->onGet("Connected", constant(true));
    parent->onGet("hwnd", constant(0.0));
    parent->onCall("CallBack", [](Args &args) {
        if (args.size() >= 3 && CStr(args[2]) == "LOAD") {
            if (QWidget *window = QWidget::find(WId(CDbl(args[1])))) {
                window->resize(960, 520);
                window->show();
            }
        }
        return Variant();
    });
    return parent;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: embed-viewer DATABASE\n");
        return 2;
    }
    // Opening would make an empty database, on which the viewer has nothing to show but errors.
    if (!QFileInfo(QString::fromLocal8Bit(argv[1])).isFile()) {
        std::fprintf(stderr, "embed-viewer: no database %s (ostraven-host --db FILE --init-db makes one)\n", argv[1]);
        return 2;
    }

    // Load the library, ask it for the class object of Event, and have that make the object.
    void *library = dlopen(EVENTVIEW_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "embed-viewer: %s\n", dlerror());
        return 1;
    }
    auto getClassObject = reinterpret_cast<Com::DllGetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
    void *factory = nullptr;
    std::shared_ptr<Com::Unknown> object;
    if (!getClassObject
        || !Com::succeeded(getClassObject(EventViewObject::EventClassId, Com::IID_IClassFactory, &factory))
        || !Com::succeeded(static_cast<Com::ClassFactory *>(factory)->createInstance(_Event::IID, &object))) {
        std::fprintf(stderr, "embed-viewer: cannot create the viewer from %s\n", EVENTVIEW_LIBRARY);
        return 1;
    }
    auto *viewer = static_cast<_Event *>(object->queryInterface(_Event::IID));

    ConnectionPtr database;
    try {
        database = Connection::openSqlite(QString::fromLocal8Bit(argv[1]));
    } catch (const VbError &error) {
        std::fprintf(stderr, "embed-viewer: %s\n", qPrintable(error.description()));
        return 1;
    }
    DispatchPtr parent = makeParent();
    viewer->putref_DBConnection(database);
    viewer->putref_NTConnection(makeNTConnection(database));
    viewer->putref_Parent(parent);
    viewer->put_CurrentProfileID(1);
    bool administrator = true;
    viewer->put_IsAdmin(administrator);
    viewer->Show();

    // Three live events, as the host's controller link would hand them over.
    const char *texts[] = {"Access Granted,,,,,,1001,0", "Door Forced Open,", "Operator Logged In,"};
    const qint32 types[] = {3, 0, 6};
    for (int i = 0; i < 3; ++i) {
        QTimer::singleShot(200 * (i + 1), [viewer, i, &texts, &types] {
            HostEventRecord event;
            event.eventNumber = 2001 + i;
            event.address = QStringLiteral("\\\\SRV1.1.1.RD01");
            event.hostDate = event.controllerDate = Date::now();
            event.typeCode = types[i];
            event.messageText = QString::fromLatin1(texts[i]);
            viewer->AddNewEvent(event);
        });
    }
    QTimer::singleShot(2600, [] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *grid = window->findChild<QAbstractItemView *>(); grid && window->isVisible())
                std::printf("rows: %d\n", grid->model()->rowCount());
        }
        QApplication::quit();
    });
    const int status = application.exec();

    // Closes the viewer's windows and tells the parent "UNLOAD"; the library may go once the object has.
    bool result = false;
    viewer->ShutDown(&result);
    object.reset();
    return status;
}
