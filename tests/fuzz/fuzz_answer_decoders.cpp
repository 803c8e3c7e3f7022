// Feeds arbitrary bytes to every answer decoder. Beyond the sanitizers' own checks it holds the
// decoders to what the log relies on: every outcome is said in words, on one line.

#include "AnswerDecoders.h"
#include "JsonText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const AnswerDecoder& decoder : answerDecoders()) {
        const DecodeOutcome outcome = decoder.decode(body);
        if (outcome.text.isEmpty() || outcome.text.contains('\n') || outcome.text.contains('\r')) {
            std::abort();
        }
    }
    json::parse(body);
    return 0;
}
