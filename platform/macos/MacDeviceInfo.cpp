#include "platform.h"

#include <QStringDecoder>

#include <CoreFoundation/CoreFoundation.h>
#include <IOKit/IOKitLib.h>

namespace platform {

namespace {

using CFValue = std::unique_ptr<const void, decltype(&CFRelease)>;

// A property of the platform expert, the registry entry that describes the machine itself.
CFValue platformExpertProperty(CFStringRef key)
{
    // MACH_PORT_NULL asks for the default main port: the value behind kIOMainPortDefault (macOS 12)
    // and kIOMasterPortDefault (before it), without the availability or deprecation of either name.
    // The matching dictionary is consumed by the call.
    const io_service_t expert
        = IOServiceGetMatchingService(MACH_PORT_NULL, IOServiceMatching("IOPlatformExpertDevice"));
    if (expert == IO_OBJECT_NULL) {
        return {nullptr, &CFRelease};
    }
    CFValue value(IORegistryEntryCreateCFProperty(expert, key, kCFAllocatorDefault, 0), &CFRelease);
    IOObjectRelease(expert);
    return value;
}

// The registry's model ends in a NUL byte.
QString trimControlCharacters(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).category() == QChar::Other_Control) {
        ++begin;
    }
    while (end > begin && text.at(end - 1).category() == QChar::Other_Control) {
        --end;
    }
    return text.mid(begin, end - begin);
}

} // namespace

std::optional<QString> platformUUID()
{
    const CFValue value = platformExpertProperty(CFSTR("IOPlatformUUID"));
    if (!value || CFGetTypeID(value.get()) != CFStringGetTypeID()) {
        return std::nullopt;
    }
    return QString::fromCFString(static_cast<CFStringRef>(value.get()));
}

QString deviceModel()
{
    const CFValue value = platformExpertProperty(CFSTR("model"));
    if (!value || CFGetTypeID(value.get()) != CFDataGetTypeID()) {
        return {};
    }
    const QByteArray bytes = QByteArray::fromCFData(static_cast<CFDataRef>(value.get()));
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    return trimControlCharacters(text);
}

} // namespace platform
