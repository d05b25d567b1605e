#include "platform/gifwriter.h"

#include "core/errors.h"

namespace kav {

void WriteGif(const QImage&, const QString& path, std::optional<uint32_t>)
{
    throw UserError(QStringLiteral("Cannot write %1: GIF output is not available yet").arg(path));
}

} // namespace kav
