// sp_usleep: a pause in microseconds that resumes after signal interruptions.
#include <cerrno>
#include <ctime>

#include "sp.h"

extern "C" void sp_usleep(unsigned long microseconds) {
    timespec remaining{};
    remaining.tv_sec = static_cast<time_t>(microseconds / 1000000UL);
    remaining.tv_nsec = static_cast<long>((microseconds % 1000000UL) * 1000UL);
    while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
    }
}
