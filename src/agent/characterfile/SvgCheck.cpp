#include "agent/characterfile/SvgCheck.h"

#include "agent/characterfile/CharacterFile.h"

#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace tk::agent {

namespace {

constexpr int kMaxDepth = 32;
constexpr int kMaxElements = 5000;

// Elements a character picture never needs and that could run code, reach
// outside the file, multiply drawing work or keep a timer running.
const QSet<QString>& refusedElements() {
    static const QSet<QString> names{
        QStringLiteral("script"),       QStringLiteral("foreignobject"),
        QStringLiteral("image"),        QStringLiteral("use"),
        QStringLiteral("iframe"),       QStringLiteral("video"),
        QStringLiteral("audio"),        QStringLiteral("feimage"),
        QStringLiteral("animate"),      QStringLiteral("animatemotion"),
        QStringLiteral("animatecolor"), QStringLiteral("animatetransform"),
        QStringLiteral("set"),          QStringLiteral("discard"),
    };
    return names;
}

// Style text may only refer to things inside the picture: url(#id).
bool styleReachesOutside(QStringView text) {
    static const QRegularExpression outside(
        QStringLiteral(R"(url\s*\(\s*['"]?\s*[^#'"\s)]|@import)"),
        QRegularExpression::CaseInsensitiveOption);
    return outside.match(text).hasMatch();
}

} // namespace

QString svgImageProblem(const QByteArray& svg) {
    if (svg.isEmpty())
        return QStringLiteral("the picture is empty");
    if (svg.size() > limits::kSvgBytes)
        return QStringLiteral("the picture has %1 bytes, more than the %2 allowed")
            .arg(svg.size())
            .arg(limits::kSvgBytes);

    QXmlStreamReader xml(svg);
    int depth = 0;
    int elements = 0;
    bool sawRoot = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        switch (token) {
        case QXmlStreamReader::DTD:
            return QStringLiteral("the picture declares a document type, which is not allowed");
        case QXmlStreamReader::EntityReference:
            return QStringLiteral("the picture uses an entity (&%1;), which is not allowed")
                .arg(xml.name());
        case QXmlStreamReader::StartElement: {
            const QString name = xml.name().toString().toLower();
            if (!sawRoot && name != QLatin1String("svg"))
                return QStringLiteral("the picture's root element is <%1>, not <svg>").arg(name);
            sawRoot = true;
            if (++depth > kMaxDepth)
                return QStringLiteral("the picture nests elements more than %1 deep (line %2)")
                    .arg(kMaxDepth)
                    .arg(xml.lineNumber());
            if (++elements > kMaxElements)
                return QStringLiteral("the picture has more than %1 elements").arg(kMaxElements);
            if (refusedElements().contains(name))
                return QStringLiteral("the picture uses <%1> (line %2), which is not allowed")
                    .arg(xml.name())
                    .arg(xml.lineNumber());
            for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                const QStringView value = attribute.value();
                const bool outside = (attribute.name() == QLatin1String("href") &&
                                      !value.trimmed().startsWith(QLatin1Char('#'))) ||
                                     styleReachesOutside(value);
                if (outside)
                    return QStringLiteral(
                               "the picture refers to something outside itself (line %1)")
                        .arg(xml.lineNumber());
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (styleReachesOutside(xml.text()))
                return QStringLiteral("the picture refers to something outside itself (line %1)")
                    .arg(xml.lineNumber());
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (xml.hasError())
        return QStringLiteral("the picture is not well-formed XML: %1 (line %2)")
            .arg(xml.errorString())
            .arg(xml.lineNumber());
    if (!sawRoot)
        return QStringLiteral("the picture has no <svg> element");
    return {};
}

} // namespace tk::agent
