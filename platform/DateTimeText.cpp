// Local date and time text through the C library's calendar functions.
#include "platform/DateTimeText.h"

#include <ctime>

namespace platform {

std::string CurrentDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace platform
