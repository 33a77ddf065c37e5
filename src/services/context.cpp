#include "context.h"
#include "store/connections.h"
#include "store/database.h"

namespace tendro {

AppContext::AppContext(QString cale_, MessageService &messages_, FileDialogService &files_, Clock &clock_,
                       Platform &platform_)
    : cale(std::move(cale_)), messages(messages_), files(files_), clock(clock_), platform(platform_) {}

AppContext::~AppContext() = default;

Database &AppContext::db()
{
    if (!db_)
        db_ = Database::open(conexiuneA(cale));
    return *db_;
}

void AppContext::closeDb() { db_.reset(); }

void comutaEcran(AppContext &ctx, double width, double height, int bitsPerPixel)
{
    DisplayMode current = ctx.platform.currentDisplayMode();
    if (ctx.display.modecran == 1) {
        ctx.display.ecranvechi = current;
        DisplayMode wanted = current;
        if (current.width < 1024)
            wanted = DisplayMode{width, height, bitsPerPixel};
        ctx.platform.applyDisplayMode(wanted);
    } else {
        ctx.platform.applyDisplayMode(ctx.display.ecranvechi);
    }
}

} // namespace tendro
