#include "support/testdatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <string>

namespace Ostraven::Testing {
namespace {

// docs/protocol.md and the README are what integrators read; these tests hold them to what the host
// really answers, so that an op, an option or a dump key cannot be added or dropped without them.

const QString hostProgram = OSTRAVEN_BINARY_DIR "/bin/ostraven-host";

QString sourceFile(const QString &name)
{
    QFile file(QStringLiteral(OSTRAVEN_SOURCE_DIR "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return QString::fromUtf8(file.readAll());
}

QByteArray hostOutput(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess host;
    host.start(hostProgram, arguments);
    host.write(input);
    host.closeWriteChannel();
    EXPECT_TRUE(host.waitForFinished(60000));
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    return host.readAllStandardOutput();
}

// The lines of one "## " section of a Markdown text.
QStringList sectionOf(const QString &text, const QString &heading)
{
    QStringList lines;
    bool inside = false;
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(QLatin1String("## ")))
            inside = line == QLatin1String("## ") + heading;
        else if (inside)
            lines << line;
    }
    return lines;
}

QSet<QString> documentedOps()
{
    static const QRegularExpression heading(QStringLiteral("^### `([^`]+)`$"));
    QSet<QString> ops;
    for (const QString &line : sectionOf(sourceFile(QStringLiteral("docs/protocol.md")), QStringLiteral("Ops"))) {
        if (const QRegularExpressionMatch match = heading.match(line); match.hasMatch())
            ops << match.captured(1);
    }
    return ops;
}

// The first column of the dump table: one path per key.
QSet<QString> documentedPaths()
{
    static const QRegularExpression row(QStringLiteral("^\\| `([^`]+)` \\|"));
    QSet<QString> paths;
    for (const QString &line :
         sectionOf(sourceFile(QStringLiteral("docs/protocol.md")), QStringLiteral("The dump"))) {
        if (const QRegularExpressionMatch match = row.match(line); match.hasMatch())
            paths << match.captured(1);
    }
    return paths;
}

// Sorted and joined, so that a failure prints the names themselves.
std::string listOf(QStringList items)
{
    items.sort();
    return items.join(QLatin1String(", ")).toStdString();
}

// A real dump's keys as documented paths: a key the table names stands for itself, any other for the
// table's "<...>" entry at that level, if it has one. Containers that hold something are noted, since
// only their children can be expected in the dump.
class DumpPaths
{
public:
    explicit DumpPaths(QSet<QString> documented) : m_documented(std::move(documented)) {}

    void collect(const QJsonValue &value, const QString &path)
    {
        if (value.isObject()) {
            const QJsonObject object = value.toObject();
            if (!object.isEmpty())
                m_filled << path;
            for (auto it = object.begin(); it != object.end(); ++it) {
                const QString child = documentedChild(path, it.key());
                m_seen << child;
                collect(it.value(), child);
            }
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            if (!array.isEmpty())
                m_filled << path;
            for (const QJsonValue element : array) {
                m_seen << path + QStringLiteral("[]");
                collect(element, path + QStringLiteral("[]"));
            }
        }
    }

    [[nodiscard]] QStringList undocumented() const
    {
        QStringList paths;
        for (const QString &path : m_seen) {
            if (!m_documented.contains(path))
                paths << path;
        }
        return paths;
    }

    // Documented keys missing from the dump although the object or list that holds them is there.
    [[nodiscard]] QStringList missing() const
    {
        QStringList paths;
        for (const QString &path : m_documented) {
            if (!m_seen.contains(path) && m_filled.contains(parentOf(path)))
                paths << path;
        }
        return paths;
    }

private:
    // No placeholder holds a dot, so the last dot ends the parent.
    static QString parentOf(const QString &path)
    {
        if (path.endsWith(QLatin1String("[]")))
            return path.chopped(2);
        const qsizetype dot = path.lastIndexOf(u'.');
        return dot < 0 ? QString() : path.left(dot);
    }

    QString documentedChild(const QString &parent, const QString &key) const
    {
        const QString prefix = parent.isEmpty() ? QString() : parent + u'.';
        if (m_documented.contains(prefix + key))
            return prefix + key;
        for (const QString &path : m_documented) {
            if (path.startsWith(prefix + u'<') && path.endsWith(u'>') && parentOf(path) == parent)
                return path;
        }
        return prefix + key;
    }

    QSet<QString> m_documented;
    QSet<QString> m_seen;
    QSet<QString> m_filled;
};

TEST(ProtocolDocument, NamesEveryOpTheHostAnswersAndNoOther)
{
    QSet<QString> answered;
    for (const QByteArray &line : hostOutput({QStringLiteral("--list-ops")}).split('\n')) {
        if (!line.isEmpty())
            answered << QString::fromUtf8(line);
    }
    ASSERT_GT(answered.size(), 20) << "the host lists its ops";
    const QSet<QString> documented = documentedOps();
    EXPECT_EQ(listOf((answered - documented).values()), "") << "ops docs/protocol.md does not describe";
    EXPECT_EQ(listOf((documented - answered).values()), "") << "ops docs/protocol.md describes but the host lacks";
}

// A dump with every window loaded, a sorted grid, a key typed into the dialog and a help call recorded: the table must name each key in it, and each key the table names must be in it wherever
// the object or list that holds it is.
TEST(ProtocolDocument, DescribesEveryKeyOfARealDump)
{
    TestDatabase site(TestDatabase::Site::Small);
    const QStringList lines{
        R"({"op":"show"})",
        R"({"op":"event","id":2001,"type":3,"address":"\\\\SRV1.1.1.RD01","text":"Access Granted,,,,,,1001,0"})",
        R"({"op":"colclick","key":"Type"})",
        R"({"op":"select","rows":[1]})",
        R"({"op":"answer","answer":"none"})",
        R"({"op":"popup","row":1})",
        R"({"op":"menu","index":12})",
        R"({"op":"menu","index":8})",
        R"({"op":"keypress","name":"txtMaxLines","key":"7"})",
        R"({"op":"dump"})",
    };
    const QByteArray out = hostOutput({QStringLiteral("--db"), site.path(), QStringLiteral("--headless"),
                                       QStringLiteral("--registry"), site.folder() + QStringLiteral("/registry.ini"),
                                       QStringLiteral("--script"), QStringLiteral("-")},
                                      lines.join(u'\n').toUtf8() + '\n');
    const QJsonObject dump = QJsonDocument::fromJson(out.trimmed().split('\n').last()).object();
    ASSERT_FALSE(dump.value(QStringLiteral("dialog")).isNull()) << "the dialog is open: " << out.toStdString();
    ASSERT_FALSE(dump.value(QStringLiteral("menu")).isNull());

    const QSet<QString> documented = documentedPaths();
    QStringList documentedTop;
    for (const QString &path : documented) {
        if (!path.contains(u'.') && !path.contains(u'['))
            documentedTop << path;
    }
    EXPECT_EQ(listOf(documentedTop), listOf(dump.keys()));

    DumpPaths paths(documented);
    paths.collect(dump, QString());
    EXPECT_EQ(listOf(paths.undocumented()), "") << "keys of the dump that docs/protocol.md does not describe";
    EXPECT_EQ(listOf(paths.missing()), "") << "keys docs/protocol.md describes that the dump lacks";
}

// Every option the host takes is in its --help and in the README's synopsis of the host.
TEST(ProtocolDocument, TheReadmeShowsEveryOptionOfTheHelp)
{
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]+"));
    // An option's line starts two spaces in; wrapped descriptions are indented further.
    static const QRegularExpression optionLine(QStringLiteral("^  (?:-\\w, )?(--[a-z-]+)"));
    QSet<QString> helped;
    for (const QString &line : QString::fromUtf8(hostOutput({QStringLiteral("--help")})).split(u'\n')) {
        if (const QRegularExpressionMatch match = optionLine.match(line); match.hasMatch())
            helped << match.captured(1);
    }
    ASSERT_TRUE(helped.contains(QStringLiteral("--list-ops")));
    const QStringList host = sectionOf(sourceFile(QStringLiteral("README.md")), QStringLiteral("The reference host"));
    const qsizetype fenceStart = host.indexOf(QStringLiteral("```"));
    const qsizetype fenceEnd = host.indexOf(QStringLiteral("```"), fenceStart + 1);
    ASSERT_GT(fenceEnd, fenceStart) << "the README's host section starts with a synopsis";
    QSet<QString> synopsis;
    for (const QString &line : host.mid(fenceStart + 1, fenceEnd - fenceStart - 1)) {
        for (const QRegularExpressionMatch &match : option.globalMatch(line))
            synopsis << match.captured(0);
    }
    EXPECT_EQ(listOf((helped - synopsis).values()), "") << "options the README's synopsis leaves out";
    EXPECT_EQ(listOf((synopsis - helped).values()), "") << "options the README names but the host lacks";
}

} // namespace
} // namespace Ostraven::Testing
