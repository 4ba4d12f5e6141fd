// The help pages installed with the program: every page is well-formed, every
// link inside them leads somewhere (a page and, where named, an anchor on it),
// every page can be reached from the index, and every category of the tree
// has its entry on the categories page.
#include "inventory/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

struct Page
{
    QString error; // empty when the page parsed
    QSet<QString> ids;
    QStringList links; // href and src values
};

Page readPage(const QString &path)
{
    Page page;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        page.error = file.errorString();
        return page;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.hasAttribute(QLatin1String("id")))
            page.ids.insert(attributes.value(QLatin1String("id")).toString());
        for (const char *name : {"href", "src"}) {
            if (attributes.hasAttribute(QLatin1String(name)))
                page.links.append(attributes.value(QLatin1String(name)).toString());
        }
    }
    if (xml.hasError())
        page.error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return page;
}

QDir helpFolder()
{
    return QDir(QStringLiteral(VANTORIX_HELP_SOURCE));
}

QStringList pageNames()
{
    return helpFolder().entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

} // namespace

class TestHelpPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyLinkLeadsSomewhere_data();
    void everyLinkLeadsSomewhere();
    void everyPageReachableFromTheIndex();
    void everyCategoryHasItsEntry();
};

void TestHelpPages::everyLinkLeadsSomewhere_data()
{
    QTest::addColumn<QString>("name");
    QVERIFY(pageNames().size() >= 7);
    for (const QString &name : pageNames())
        QTest::newRow(qPrintable(name)) << name;
}

void TestHelpPages::everyLinkLeadsSomewhere()
{
    QFETCH(QString, name);
    const Page page = readPage(helpFolder().filePath(name));
    QVERIFY2(page.error.isEmpty(), qPrintable(page.error));
    QVERIFY(!page.links.isEmpty());
    for (const QString &link : page.links) {
        const QUrl url(link);
        QVERIFY2(url.isValid(), qPrintable(link));
        if (url.scheme() == QLatin1String("mailto") || url.scheme() == QLatin1String("https"))
            continue;
        // Pages open from disk: nothing may point outside the folder or at the web in the clear.
        QVERIFY2(url.isRelative() && !url.path().startsWith(QLatin1Char('/')), qPrintable(link));
        QVERIFY2(!url.path().contains(QLatin1String("..")), qPrintable(link));
        const QString target = url.path().isEmpty() ? name : url.path();
        QVERIFY2(helpFolder().exists(target), qPrintable(link + QStringLiteral(": no file ") + target));
        if (url.hasFragment() && target.endsWith(QLatin1String(".html"))) {
            const Page linked = readPage(helpFolder().filePath(target));
            QVERIFY2(linked.ids.contains(url.fragment()), qPrintable(link + QStringLiteral(": no such anchor")));
        }
    }
}

void TestHelpPages::everyPageReachableFromTheIndex()
{
    QSet<QString> reached{QStringLiteral("index.html")};
    QStringList queue{QStringLiteral("index.html")};
    while (!queue.isEmpty()) {
        const QString name = queue.takeFirst();
        for (const QString &link : readPage(helpFolder().filePath(name)).links) {
            const QString path = QUrl(link).path();
            if (path.endsWith(QLatin1String(".html")) && !reached.contains(path)) {
                reached.insert(path);
                queue.append(path);
            }
        }
    }
    for (const QString &name : pageNames())
        QVERIFY2(reached.contains(name), qPrintable(name + QStringLiteral(" has no link to it")));
}

void TestHelpPages::everyCategoryHasItsEntry()
{
    const Page page = readPage(helpFolder().filePath(QStringLiteral("categories.html")));
    QVERIFY2(page.error.isEmpty(), qPrintable(page.error));
    QVERIFY(page.ids.contains(inventory::categoryText(inventory::ComputerClass)));
    const QStringList classes = inventory::deviceCatalogue();
    QCOMPARE(classes.size(), 56);
    for (const QString &className : classes) {
        const QString category = inventory::categoryText(className);
        QVERIFY2(page.ids.contains(category), qPrintable(category));
    }
}

QTEST_GUILESS_MAIN(TestHelpPages)
#include "tst_helppages.moc"
