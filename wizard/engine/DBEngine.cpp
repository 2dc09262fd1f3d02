// The library's one engine: the Jet file engine, created on first use, or
// the engine a test installed.

#include "wizard/engine/Dao.h"
#include "wizard/engine/JetEngine.h"

namespace dao {

namespace {
std::shared_ptr<DBEngine> &installed()
{
    static std::shared_ptr<DBEngine> engine;
    return engine;
}
}  // namespace

DBEngine &dbEngine()
{
    std::shared_ptr<DBEngine> &engine = installed();
    if (!engine)
        engine = std::make_shared<JetEngine>();
    return *engine;
}

void installDBEngine(std::shared_ptr<DBEngine> engine)
{
    installed() = std::move(engine);
}

}  // namespace dao
