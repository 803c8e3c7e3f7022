#include "ModelText.h"
#include "platform.h"

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
    return modelText(bytes);
}

} // namespace platform
