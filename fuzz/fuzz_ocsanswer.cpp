// The reader of an inventory server's answers on arbitrary bytes: compressed
// or not, well-formed or not, whatever comes over the wire must neither crash
// it nor make it inflate without bound.
#include "fleet/ServerAnswer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const fleet::ParsedAnswer parsed = fleet::parseServerAnswer(bytes);
    if (parsed.answer) {
        volatile qsizetype sink = parsed.answer->response.size() + qsizetype(parsed.answer->accountInfo.size());
        for (const auto &[key, value] : parsed.answer->accountInfo)
            sink = sink + key.size() + value.size();
        (void)sink;
    }
    return 0;
}
