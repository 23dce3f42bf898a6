#include "Failure.h"

#include <cerrno>

namespace look {

Failure::Failure(const QString& description) : std::runtime_error(description.toStdString()) {}

void throwFileFailure(int code) {
    switch (code) {
        case ENOENT:
            throw Failure(failures::FileNotFound);
        case ENOTDIR:
            throw Failure(failures::PathNotFound);
        case EACCES:
        case EPERM:
        case EROFS:
            throw Failure(failures::PermissionDenied);
        case ENOSPC:
        case EFBIG:
        case EDQUOT:
            throw Failure(failures::DiskFull);
        case ENAMETOOLONG:
        case EINVAL:
            throw Failure(failures::BadFileName);
        case EISDIR:
        case EBUSY:
        case ETXTBSY:
            throw Failure(failures::PathFileAccessError);
        case ENOMEM:
            throw Failure(failures::OutOfMemory);
        default:
            throw Failure(failures::DeviceIOError);
    }
}

}  // namespace look
