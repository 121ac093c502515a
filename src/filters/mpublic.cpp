#include "mpublic.h"

#include "model/ccachedzekoeventtypes.h"
#include "customise/fcustom.h"
#include "menus/fmenu.h"
#include "model/ccircularbuffer.h"
#include "viewer/fevents.h"

#include "platform/desktop/desktopservices.h"

namespace Ostraven {

namespace {

// The component's application title: it names the log file and captions every message box.
const QString applicationTitle = QStringLiteral("EventViewObject");

} // namespace

MPublic::MPublic(std::shared_ptr<DesktopServices> desktop, QString logFolder)
    : m_desktop(std::move(desktop)), m_errors(*m_desktop, std::move(logFolder), applicationTitle)
{
    m_errors.setHostLogger([this] { return NTConnection; });
}

MPublic::~MPublic()
{
    delete m_custom;
    delete m_menu;
    delete m_events;
}

FEvents &MPublic::events()
{
    if (!m_events) {
        m_events = new FEvents(*this);
        m_events->load();
    }
    return *m_events;
}

bool MPublic::unloadEvents()
{
    if (!m_events)
        return true;
    if (!m_events->unload())
        return false;
    FEvents *window = m_events;
    m_events = nullptr;
    window->hide();
    window->deleteLater();
    return true;
}

void MPublic::eventsWindowGone(FEvents *window)
{
    if (m_events == window)
        m_events = nullptr;
}

FMenu &MPublic::menu()
{
    if (!m_menu) {
        m_menu = new FMenu(*this);
        m_menu->load();
    }
    return *m_menu;
}

// The window may be unloaded from inside one of its own menu handlers, so it goes once control
// is back in the event loop.
void MPublic::unloadMenu()
{
    if (!m_menu)
        return;
    FMenu *window = m_menu;
    m_menu = nullptr;
    window->unload();
    window->deleteLater();
}

// The dialog reads the flag when it opens to pick its first tab; an open dialog is brought forward.
void MPublic::showCustomDialog(bool onFilters)
{
    openOnFilters = onFilters;
    const bool wasLoaded = isCustomLoaded();
    FCustom &dialog = custom();
    const bool wasVisible = dialog.isVisible();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (wasLoaded && wasVisible)
        dialog.Form_Activate();
}

FCustom &MPublic::custom()
{
    if (!m_custom) {
        m_custom = new FCustom(*this);
        m_custom->load();
    }
    return *m_custom;
}

// The dialog is unloaded from inside its own button handlers, so it goes once control is back in
// the event loop.
void MPublic::unloadCustom()
{
    if (!m_custom)
        return;
    FCustom *dialog = m_custom;
    m_custom = nullptr;
    dialog->unload();
    dialog->deleteLater();
}

cCircularBuffer &MPublic::messageBuffer()
{
    if (!m_messageBuffer)
        m_messageBuffer = std::make_unique<cCircularBuffer>(m_errors);
    return *m_messageBuffer;
}

cCachedZEKOEventTypes &MPublic::zekoEventTypes()
{
    if (!m_zekoEventTypes)
        m_zekoEventTypes = std::make_unique<cCachedZEKOEventTypes>(DBConnection, m_errors);
    return *m_zekoEventTypes;
}

int MPublic::bufferCount() const
{
    return m_messageBuffer ? m_messageBuffer->Count() : 0;
}

Connection &MPublic::db()
{
    if (!DBConnection)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *DBConnection;
}

Dispatch &MPublic::nt()
{
    if (!NTConnection)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *NTConnection;
}

Dispatch &MPublic::parent()
{
    if (!Parent)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *Parent;
}

// Every step that fails is skipped: the caller converts the result itself and handles an empty text.
QString MPublic::CleanDateStr(const QString &text)
{
    if (IsDate(Variant(text)))
        return text;

    QString cleaned;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 128)
            cleaned += c;
        else if (c == QLatin1Char(' ') || c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char('-')
                 || c == QLatin1Char(':'))
            cleaned += c;
    }
    cleaned.replace(QStringLiteral("  "), QStringLiteral(" "));
    cleaned.replace(QStringLiteral("  "), QStringLiteral(" "));
    for (const char *joint : {" .", " /", " -", " :", ". ", "/ ", "- ", ": "})
        cleaned.replace(QLatin1String(joint), QString());

    int hour = 0;
    ignoringErrors([&] { hour = CDate(Variant(cleaned)).hour(); });
    const std::optional<Date> date = Date::parse(cleaned);
    if (!date || date->year() == 1800)
        return {};
    if (hour > 12)
        return cleaned;
    // The ISO form takes no AM/PM: a repaired ISO text stays as it is rather than become one the
    // date conversion refuses.
    const QString morning = cleaned + QStringLiteral(" AM");
    return IsDate(Variant(morning)) ? morning : cleaned;
}

QString MPublic::GRS(qint32 number, const QStringList &texts)
{
    QString result;
    guarded(m_errors, QStringLiteral("MPublic: GRS"), [&] {
        if (texts.isEmpty() || texts.first().isEmpty()) {
            result = CStr(nt().callWith(QStringLiteral("GetResourceString"), number));
            return;
        }
        Args args{Variant(number)};
        for (int i = 0; i < 9; ++i)
            args.emplace_back(i < texts.size() ? texts.at(i) : QString());
        result = CStr(nt().call(QStringLiteral("GRS"), args));
    });
    return result;
}

QString MPublic::FixA(const QString &text)
{
    QString result;
    guarded(m_errors, QStringLiteral("MPublic: FixA"),
            [&] { result = CStr(nt().callWith(QStringLiteral("Fix_Apostrophe"), text)); });
    return result;
}

// Item 1 goes first, so a setting with a single item assigns nothing; a bad item stops the
// assignment there and the slots after it keep their values.
void MPublic::InitColors()
{
    guarded(m_errors, QStringLiteral("MPublic.InitColors"), [&] {
        const QStringList items = Colors.split(QLatin1Char(','));
        auto item = [&](int index) {
            if (index >= items.size())
                throw VbError::fromNumber(VbError::SubscriptOutOfRange);
            return CLng(Variant(items.at(index)));
        };
        colourSlots[1] = item(1);
        colourSlots[0] = item(0);
        for (int slot = 2; slot < int(colourSlots.size()); ++slot)
            colourSlots[std::size_t(slot)] = item(slot);
    });
}

} // namespace Ostraven
