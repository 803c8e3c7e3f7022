#pragma once
#include <CoreFoundation/CoreFoundation.h>
#include <dispatch/dispatch.h>
#include <sys/socket.h>

extern "C" {
typedef const struct __SCDynamicStore* SCDynamicStoreRef;
typedef const struct __SCNetworkReachability* SCNetworkReachabilityRef;
typedef std::uint32_t SCNetworkReachabilityFlags;

typedef struct
{
    CFIndex version;
    void* info;
    const void* (*retain)(const void* info);
    void (*release)(const void* info);
    CFStringRef (*copyDescription)(const void* info);
} SCDynamicStoreContext;
typedef void (*SCDynamicStoreCallBack)(SCDynamicStoreRef store, CFArrayRef changedKeys, void* info);

typedef struct
{
    CFIndex version;
    void* info;
    const void* (*retain)(const void* info);
    void (*release)(const void* info);
    CFStringRef (*copyDescription)(const void* info);
} SCNetworkReachabilityContext;
typedef void (*SCNetworkReachabilityCallBack)(
    SCNetworkReachabilityRef target, SCNetworkReachabilityFlags flags, void* info);

extern const CFStringRef kSCDynamicStoreDomainState;
extern const CFStringRef kSCDynamicStoreDomainSetup;
extern const CFStringRef kSCCompAnyRegex;
extern const CFStringRef kSCEntNetDNS;
extern const CFStringRef kSCEntNetIPv4;

int SCError(void);
const char* SCErrorString(int status);

SCDynamicStoreRef SCDynamicStoreCreate(CFAllocatorRef allocator, CFStringRef name,
    SCDynamicStoreCallBack callout, SCDynamicStoreContext* context);
CFStringRef SCDynamicStoreKeyCreateNetworkServiceEntity(
    CFAllocatorRef allocator, CFStringRef domain, CFStringRef serviceID, CFStringRef entity);
CFStringRef SCDynamicStoreKeyCreateNetworkGlobalEntity(
    CFAllocatorRef allocator, CFStringRef domain, CFStringRef entity);
Boolean SCDynamicStoreSetNotificationKeys(SCDynamicStoreRef store, CFArrayRef keys, CFArrayRef patterns);
Boolean SCDynamicStoreSetDispatchQueue(SCDynamicStoreRef store, dispatch_queue_t queue);

SCNetworkReachabilityRef SCNetworkReachabilityCreateWithAddress(
    CFAllocatorRef allocator, const struct sockaddr* address);
Boolean SCNetworkReachabilityGetFlags(SCNetworkReachabilityRef target, SCNetworkReachabilityFlags* flags);
Boolean SCNetworkReachabilitySetCallback(SCNetworkReachabilityRef target,
    SCNetworkReachabilityCallBack callout, SCNetworkReachabilityContext* context);
Boolean SCNetworkReachabilitySetDispatchQueue(SCNetworkReachabilityRef target, dispatch_queue_t queue);
}
