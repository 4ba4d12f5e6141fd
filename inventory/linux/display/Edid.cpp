// The base EDID block (VESA E-EDID 1.0 to 1.4) read defensively: every field
// is taken only from bytes that are really there.
#include "inventory/linux/display/Edid.h"

#include <array>

namespace inventory::linuxsource {

namespace {

constexpr qsizetype BlockSize = 128;
constexpr std::array<quint8, 8> Header = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
// Monitors with one or two bad header bytes exist (the kernel accepts six of
// eight), but so do buses that read as all 0xff: a repaired header counts
// only when the block's checksum vouches for it.
constexpr int HeaderBytesRequired = 6;

constexpr qsizetype ManufacturerOffset = 8;
constexpr qsizetype ProductOffset = 10;
constexpr qsizetype SerialOffset = 12;
constexpr qsizetype WeekOffset = 16;
constexpr qsizetype YearOffset = 17;
constexpr qsizetype VersionOffset = 18;
constexpr qsizetype RevisionOffset = 19;
constexpr qsizetype InputOffset = 20;
constexpr qsizetype WidthCmOffset = 21;
constexpr qsizetype HeightCmOffset = 22;
constexpr qsizetype DescriptorOffset = 54;
constexpr qsizetype DescriptorSize = 18;
constexpr int DescriptorCount = 4;
constexpr qsizetype ExtensionCountOffset = 126;

constexpr int YearBase = 1990;
constexpr int ModelYearWeek = 0xff;
constexpr quint8 SerialTag = 0xff;
constexpr quint8 RangeLimitsTag = 0xfd;
constexpr quint8 NameTag = 0xfc;
// Below 10 MHz a "timing" is filler (01 01 ... in old monitors); edid-decode
// draws the line at the same place.
constexpr quint32 MinimumPixelClock10KHz = 1000;

// The blob with bounds-checked access: absent bytes are simply not there.
class Bytes
{
public:
    explicit Bytes(QByteArrayView data) : m_data(data) {}
    qsizetype size() const { return m_data.size(); }
    bool has(qsizetype offset, qsizetype length = 1) const { return offset >= 0 && length >= 0 && offset + length <= size(); }
    quint8 at(qsizetype offset) const { return quint8(m_data[offset]); }
    QByteArrayView view(qsizetype offset, qsizetype length) const { return m_data.sliced(offset, length); }

private:
    QByteArrayView m_data;
};

bool checksumValid(QByteArrayView block)
{
    if (block.size() != BlockSize)
        return false;
    quint8 sum = 0;
    for (const char byte : block)
        sum = quint8(sum + quint8(byte));
    return sum == 0;
}

int headerBytes(QByteArrayView block)
{
    if (block.size() < qsizetype(Header.size()))
        return 0;
    int matching = 0;
    for (size_t i = 0; i < Header.size(); ++i)
        matching += quint8(block[qsizetype(i)]) == Header[i] ? 1 : 0;
    return matching;
}

bool hasHeader(QByteArrayView block, bool checksumGood)
{
    const int matching = headerBytes(block);
    return matching == int(Header.size()) || (checksumGood && matching >= HeaderBytesRequired);
}

// Descriptor text: up to the line feed, printable ASCII only.
QString descriptorText(QByteArrayView descriptor)
{
    QString text;
    for (qsizetype i = 5; i < descriptor.size(); ++i) {
        const quint8 c = quint8(descriptor[i]);
        if (c == 0x0a)
            break;
        if (c >= 0x20 && c < 0x7f)
            text.append(QLatin1Char(char(c)));
    }
    return text;
}

// Three 5-bit codes, 1 for 'A'. Codes outside 1..26 are read as Windows and
// edid-decode read them ('@' + code: 0 is '@', 31 is '_'), so a monitor
// with such an id keeps its identity.
QString manufacturerId(quint8 high, quint8 low)
{
    const quint16 packed = quint16(high << 8 | low);
    QString id;
    for (const int shift : {10, 5, 0})
        id.append(QLatin1Char(char('@' + ((packed >> shift) & 0x1f))));
    return id;
}

std::optional<EdidTiming> detailedTiming(QByteArrayView d)
{
    const auto b = [&](int i) { return quint32(quint8(d[i])); };
    const quint32 clock = b(0) | b(1) << 8;
    if (clock < MinimumPixelClock10KHz)
        return std::nullopt;
    EdidTiming t;
    t.width = int(b(2) | (b(4) & 0xf0) << 4);
    const quint32 hBlank = b(3) | (b(4) & 0x0f) << 8;
    const int fieldLines = int(b(5) | (b(7) & 0xf0) << 4);
    const quint32 vBlank = b(6) | (b(7) & 0x0f) << 8;
    t.widthMm = int(b(12) | (b(14) & 0xf0) << 4);
    t.heightMm = int(b(13) | (b(14) & 0x0f) << 8);
    t.interlaced = (b(17) & 0x80) != 0;
    t.height = t.interlaced ? fieldLines * 2 : fieldLines;
    t.pixelClockKHz = clock * 10;
    if (t.width == 0 || fieldLines == 0)
        return std::nullopt;
    const double lineLength = double(quint32(t.width) + hBlank);
    // An interlaced field is half a line longer than its lines say.
    const double fieldLength = double(quint32(fieldLines) + vBlank) + (t.interlaced ? 0.5 : 0.0);
    t.refreshRate = double(t.pixelClockKHz) * 1000.0 / (lineLength * fieldLength);
    return t;
}

EdidRangeLimits rangeLimits(QByteArrayView d, int revision)
{
    const auto b = [&](int i) { return int(quint8(d[i])); };
    // EDID 1.4 adds 255 to a rate when its offset flag is set.
    const int flags = revision >= 4 ? b(4) : 0;
    EdidRangeLimits limits;
    limits.minVerticalHz = b(5) + ((flags & 0x03) == 0x03 ? 255 : 0);
    limits.maxVerticalHz = b(6) + ((flags & 0x02) ? 255 : 0);
    limits.minHorizontalKHz = b(7) + ((flags & 0x0c) == 0x0c ? 255 : 0);
    limits.maxHorizontalKHz = b(8) + ((flags & 0x08) ? 255 : 0);
    if (b(9) > 0)
        limits.maxPixelClockMHz = b(9) * 10;
    return limits;
}

void readIdentity(const Bytes &bytes, Edid &edid)
{
    if (bytes.has(ManufacturerOffset, 2))
        edid.manufacturerId = manufacturerId(bytes.at(ManufacturerOffset), bytes.at(ManufacturerOffset + 1));
    if (bytes.has(ProductOffset, 2))
        edid.productCode = quint16(bytes.at(ProductOffset) | bytes.at(ProductOffset + 1) << 8);
    if (bytes.has(SerialOffset, 4)) {
        quint32 serial = 0;
        for (int i = 3; i >= 0; --i)
            serial = serial << 8 | bytes.at(SerialOffset + i);
        if (serial != 0)
            edid.serialNumber = serial;
    }
    if (bytes.has(VersionOffset, 2)) {
        edid.version = bytes.at(VersionOffset);
        edid.revision = bytes.at(RevisionOffset);
    }
    if (bytes.has(YearOffset)) {
        const int week = bytes.has(WeekOffset) ? bytes.at(WeekOffset) : 0;
        edid.year = YearBase + bytes.at(YearOffset);
        edid.modelYear = week == ModelYearWeek && edid.version == 1 && edid.revision >= 4;
        if (week >= 1 && week <= 54)
            edid.week = week;
    }
}

void readBasicParameters(const Bytes &bytes, Edid &edid)
{
    if (bytes.has(InputOffset))
        edid.digital = (bytes.at(InputOffset) & 0x80) != 0;
    // Zero in either means the size is variable (projectors) or only an aspect ratio.
    if (bytes.has(WidthCmOffset, 2) && bytes.at(WidthCmOffset) > 0 && bytes.at(HeightCmOffset) > 0) {
        edid.widthCm = bytes.at(WidthCmOffset);
        edid.heightCm = bytes.at(HeightCmOffset);
    }
}

void readDescriptors(const Bytes &bytes, Edid &edid)
{
    QString name;
    for (int i = 0; i < DescriptorCount; ++i) {
        const qsizetype offset = DescriptorOffset + i * DescriptorSize;
        if (!bytes.has(offset, DescriptorSize))
            break;
        const QByteArrayView d = bytes.view(offset, DescriptorSize);
        const bool isTiming = d[0] != 0 || d[1] != 0;
        if (isTiming) {
            // The first real timing is the preferred one (the kernel reads it so too).
            if (!edid.preferredTiming)
                edid.preferredTiming = detailedTiming(d);
            continue;
        }
        const quint8 tag = quint8(d[3]);
        if (tag == NameTag) {
            // Long names continue in a second descriptor without a line feed in the first.
            name += descriptorText(d);
        } else if (tag == SerialTag) {
            if (edid.serialText.isEmpty())
                edid.serialText = descriptorText(d).trimmed();
        } else if (tag == RangeLimitsTag && !edid.rangeLimits) {
            edid.rangeLimits = rangeLimits(d, edid.revision);
        }
    }
    edid.name = name.trimmed();
}

void readExtensions(const Bytes &bytes, Edid &edid)
{
    if (!bytes.has(ExtensionCountOffset))
        return;
    edid.declaredExtensions = bytes.at(ExtensionCountOffset);
    // Blocks beyond the count (a blob read twice, a 512-byte repeat) are not
    // extensions; neither is a block that is another copy of the base.
    const qsizetype present = bytes.size() / BlockSize - 1;
    for (qsizetype block = 1; block <= qMin<qsizetype>(edid.declaredExtensions, present); ++block) {
        const QByteArrayView data = bytes.view(block * BlockSize, BlockSize);
        if (checksumValid(data) && !hasHeader(data, true))
            ++edid.validExtensions;
    }
}

} // namespace

std::optional<Edid> parseEdid(QByteArrayView data)
{
    const Bytes bytes(data);
    const bool checksumGood = bytes.has(0, BlockSize) && checksumValid(bytes.view(0, BlockSize));
    if (!hasHeader(data, checksumGood))
        return std::nullopt;
    Edid edid;
    edid.baseChecksumValid = checksumGood;
    readIdentity(bytes, edid);
    readBasicParameters(bytes, edid);
    readDescriptors(bytes, edid);
    readExtensions(bytes, edid);
    return edid;
}

QString edidProductCode(const Edid &edid)
{
    if (!edid.productCode)
        return {};
    return QStringLiteral("%1").arg(*edid.productCode, 4, 16, QLatin1Char('0')).toUpper();
}

QString edidProductId(const Edid &edid)
{
    if (edid.manufacturerId.isEmpty() || !edid.productCode)
        return {};
    return edid.manufacturerId + edidProductCode(edid);
}

} // namespace inventory::linuxsource
