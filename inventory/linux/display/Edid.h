#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace inventory::linuxsource {

// One video timing as the monitor describes it in a detailed timing descriptor.
struct EdidTiming
{
    int width = 0;  // active pixels per line
    int height = 0; // active lines of the whole frame (both fields when interlaced)
    double refreshRate = 0; // Hz; the field rate when interlaced
    bool interlaced = false;
    quint32 pixelClockKHz = 0;
    int widthMm = 0; // image size given with the timing, 0 when not given
    int heightMm = 0;
};

// What the monitor accepts (the display range limits descriptor).
struct EdidRangeLimits
{
    int minVerticalHz = 0;
    int maxVerticalHz = 0;
    int minHorizontalKHz = 0;
    int maxHorizontalKHz = 0;
    std::optional<int> maxPixelClockMHz;
};

// The identity and main facts of a monitor from its EDID. Every field is
// absent when the bytes that hold it are missing or say "not given".
struct Edid
{
    int version = 0;
    int revision = 0;
    bool baseChecksumValid = false;
    QString manufacturerId; // PNP id, "DEL"; empty when the block is too short
    std::optional<quint16> productCode;
    std::optional<quint32> serialNumber; // the numeric one; 0 means none
    QString serialText;                  // the serial number descriptor
    QString name;                        // the name descriptor(s), joined
    std::optional<int> week;
    std::optional<int> year; // of manufacture, or the model year
    bool modelYear = false;
    std::optional<int> widthCm;
    std::optional<int> heightCm;
    std::optional<bool> digital;
    std::optional<EdidTiming> preferredTiming; // the first detailed timing
    std::optional<EdidRangeLimits> rangeLimits;
    int declaredExtensions = 0; // what the base block claims
    int validExtensions = 0;    // extension blocks present, in the claimed count, with a good checksum
};

// Reads an EDID blob (sysfs, a file, a capture). Truncated, corrupt or lying
// blobs give the fields their valid bytes hold; nothing is read past the end.
// No value when the bytes do not start with an EDID header at all.
std::optional<Edid> parseEdid(QByteArrayView bytes);

// "A0B8": the product code in hex, empty when the blob lacks it.
QString edidProductCode(const Edid &edid);
// "DELA0B8": the PNP id and the product code in hex, as Windows names monitors.
QString edidProductId(const Edid &edid);

} // namespace inventory::linuxsource
