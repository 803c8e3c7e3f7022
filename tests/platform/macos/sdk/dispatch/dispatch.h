#pragma once
// libdispatch as C++ sees it: object types form a class hierarchy.
extern "C++" {
struct dispatch_object_s
{
};
struct dispatch_queue_s : public dispatch_object_s
{
};
struct dispatch_queue_attr_s : public dispatch_object_s
{
};
}
extern "C" {
typedef dispatch_object_s* dispatch_object_t;
typedef dispatch_queue_s* dispatch_queue_t;
typedef dispatch_queue_attr_s* dispatch_queue_attr_t;
typedef void (*dispatch_function_t)(void*);

#define DISPATCH_QUEUE_SERIAL nullptr

dispatch_queue_t dispatch_queue_create(const char* label, dispatch_queue_attr_t attr);
void dispatch_release(dispatch_object_t object);
void dispatch_sync_f(dispatch_queue_t queue, void* context, dispatch_function_t work);
}
