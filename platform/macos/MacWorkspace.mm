#include "windowing.h"

#include <QImage>
#include <QPixmap>
#include <QPointer>

#import <AppKit/AppKit.h>
#include <sys/sysctl.h>

namespace {

// The kernel's start time of a process in microseconds, 0 when it cannot be read. NSRunningApplication's
// launchDate is known only for applications that Launch Services started, not for one that launchd or
// a shell started.
qint64 processStartTime(pid_t processId)
{
    int name[] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, processId};
    kinfo_proc info {};
    size_t size = sizeof(info);
    if (sysctl(name, 4, &info, &size, nullptr, 0) != 0 || size == 0) {
        return 0;
    }
    const timeval started = info.kp_proc.p_starttime;
    return qint64(started.tv_sec) * 1000000 + started.tv_usec;
}

platform::RunningApplication describe(NSRunningApplication* application)
{
    return {application.processIdentifier, QString::fromNSString(application.bundleIdentifier),
        QString::fromNSString(application.localizedName), processStartTime(application.processIdentifier)};
}

// Draws a Core Graphics image into a square QImage of the given side, scaled to fit.
QImage renderImage(CGImageRef source, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    CGColorSpaceRef colorSpace = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
    // Premultiplied alpha first in host byte order is the memory layout of Format_ARGB32_Premultiplied.
    CGContextRef context = CGBitmapContextCreate(image.bits(), side, side, 8, image.bytesPerLine(),
        colorSpace, uint32_t(kCGImageAlphaPremultipliedFirst) | uint32_t(kCGBitmapByteOrder32Host));
    CGColorSpaceRelease(colorSpace);
    if (!context) {
        return {};
    }
    CGContextSetInterpolationQuality(context, kCGInterpolationHigh);
    CGContextDrawImage(context, CGRectMake(0, 0, side, side), source);
    CGContextRelease(context);
    return image;
}

// The icon at the sizes the application list and the Retina screens ask for; AppKit picks the best
// representation of the file's icon for each.
QIcon toIcon(NSImage* image)
{
    QIcon icon;
    for (const int side : {16, 32, 64, 128, 256, 512}) {
        NSRect rect = NSMakeRect(0, 0, side, side);
        if (CGImageRef source = [image CGImageForProposedRect:&rect context:nil hints:nil]) {
            const QImage rendered = renderImage(source, side);
            if (!rendered.isNull()) {
                icon.addPixmap(QPixmap::fromImage(rendered));
            }
        }
    }
    return icon;
}

// The workspace of macOS. Activations come from NSWorkspace's own notification centre, on the main
// queue.
class MacWorkspace : public platform::Workspace
{
public:
    explicit MacWorkspace(QObject* parent)
        : platform::Workspace(parent)
    {
        QPointer<MacWorkspace> workspace(this);
        m_activationObserver = [[[NSWorkspace sharedWorkspace] notificationCenter]
            addObserverForName:NSWorkspaceDidActivateApplicationNotification
                        object:nil
                         queue:[NSOperationQueue mainQueue]
                    usingBlock:^(NSNotification* notification) {
                        NSRunningApplication* application = notification.userInfo[NSWorkspaceApplicationKey];
                        if (workspace && application.localizedName) {
                            Q_EMIT workspace->applicationActivated(
                                QString::fromNSString(application.localizedName));
                        }
                    }];
    }

    ~MacWorkspace() override
    {
        [[[NSWorkspace sharedWorkspace] notificationCenter] removeObserver:m_activationObserver];
    }

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier) const override
    {
        QList<platform::RunningApplication> running;
        @autoreleasepool {
            for (NSRunningApplication* application in [NSRunningApplication
                     runningApplicationsWithBundleIdentifier:bundleIdentifier.toNSString()]) {
                running.append(describe(application));
            }
        }
        return running;
    }

    bool terminate(const platform::RunningApplication& application) override
    {
        @autoreleasepool {
            NSRunningApplication* running = [NSRunningApplication
                runningApplicationWithProcessIdentifier:static_cast<pid_t>(application.processId)];
            // The process id may belong to another application by now.
            if (!running || QString::fromNSString(running.bundleIdentifier) != application.bundleIdentifier) {
                return false;
            }
            return [running terminate];
        }
    }

    QString applicationLocation(const QString& bundleIdentifier) const override
    {
        @autoreleasepool {
            NSURL* url = [[NSWorkspace sharedWorkspace]
                URLForApplicationWithBundleIdentifier:bundleIdentifier.toNSString()];
            return url ? QString::fromNSString(url.path) : QString();
        }
    }

    QIcon iconForFile(const QString& path) const override
    {
        @autoreleasepool {
            return toIcon([[NSWorkspace sharedWorkspace] iconForFile:path.toNSString()]);
        }
    }

private:
    id<NSObject> m_activationObserver;
};

} // namespace

std::unique_ptr<platform::Workspace> platform::createWorkspace(QObject* parent)
{
    return std::make_unique<MacWorkspace>(parent);
}
