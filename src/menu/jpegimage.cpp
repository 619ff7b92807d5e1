#include "jpegimage.h"

#include <QLocale>
#include <QResource>

#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <mutex>

#include <jpeglib.h>

namespace {

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    std::longjmp(manager->jump, 1);
}

void onMessage(j_common_ptr) {}

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        return QImage();
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = onMessage;
    // Declared before setjmp so that the longjmp leaves it in a defined state.
    QImage image;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

namespace {

struct Preloaded
{
    bool ready = false;
    QImage image;
};

std::mutex s_preloadMutex;
std::condition_variable s_preloadDone;
std::map<QString, Preloaded> s_preloaded;

QImage decodeJpegResource(const QString &resource)
{
    // Read in place, without a QFile: the preloader decodes before the
    // application object exists, and the first Qt object made on a thread
    // makes that thread Qt's main one. The pictures have no translations,
    // so the system's locale need not be looked up either.
    const QResource data(resource, QLocale::c());
    return data.isValid() ? decodeJpeg(data.uncompressedData()) : QImage();
}

} // namespace

void preloadJpegResource(const QString &resource)
{
    {
        const std::lock_guard<std::mutex> lock(s_preloadMutex);
        if (!s_preloaded.emplace(resource, Preloaded()).second)
            return;
    }
    QImage image = decodeJpegResource(resource);
    {
        const std::lock_guard<std::mutex> lock(s_preloadMutex);
        Preloaded &entry = s_preloaded[resource];
        entry.image = std::move(image);
        entry.ready = true;
    }
    s_preloadDone.notify_all();
}

QImage loadJpegResource(const QString &resource)
{
    std::unique_lock<std::mutex> lock(s_preloadMutex);
    const auto found = s_preloaded.find(resource);
    if (found == s_preloaded.end()) {
        lock.unlock();
        return decodeJpegResource(resource);
    }
    s_preloadDone.wait(lock, [&found] { return found->second.ready; });
    QImage image = std::move(found->second.image);
    s_preloaded.erase(found);
    return image;
}
