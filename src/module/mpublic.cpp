#include "mpublic.h"

#include "model/ccachedzekoeventtypes.h"
#include "model/ccircularbuffer.h"

#include "platform/desktop/desktopservices.h"

namespace Ostraven {

namespace {

// The component's application title: it names the log file and captions every message box.
const QString applicationTitle = QStringLiteral("EventViewObject");

} // namespace

MPublic::MPublic(std::shared_ptr<DesktopServices> desktop, QString logFolder)
    : m_desktop(std::move(desktop)), m_errors(*m_desktop, std::move(logFolder), applicationTitle)
{
    m_errors.setHostLogger([this] { return host.NTConnection; });
}

MPublic::~MPublic()
{
    m_windows.reset();
}

Windows &MPublic::windows()
{
    if (!m_windows)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *m_windows;
}

const Windows &MPublic::windows() const
{
    if (!m_windows)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *m_windows;
}

void MPublic::attachWindows(std::unique_ptr<Windows> windows)
{
    m_windows = std::move(windows);
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
        m_zekoEventTypes = std::make_unique<cCachedZEKOEventTypes>(host.DBConnection, m_errors);
    return *m_zekoEventTypes;
}

int MPublic::bufferCount() const
{
    return m_messageBuffer ? m_messageBuffer->Count() : 0;
}

Connection &MPublic::db()
{
    if (!host.DBConnection)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *host.DBConnection;
}

Dispatch &MPublic::nt()
{
    if (!host.NTConnection)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *host.NTConnection;
}

Dispatch &MPublic::parent()
{
    if (!host.Parent)
        throw VbError::fromNumber(VbError::ObjectNotSet);
    return *host.Parent;
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
        const QStringList items = profile.Colors.split(QLatin1Char(','));
        auto item = [&](int index) {
            if (index >= items.size())
                throw VbError::fromNumber(VbError::SubscriptOutOfRange);
            return CLng(Variant(items.at(index)));
        };
        profile.colourSlots[1] = item(1);
        profile.colourSlots[0] = item(0);
        for (int slot = 2; slot < int(profile.colourSlots.size()); ++slot)
            profile.colourSlots[std::size_t(slot)] = item(slot);
    });
}

} // namespace Ostraven
