#include "platform/project_globals.h"

ProjectGlobals &ProjectGlobals::instance()
{
    static ProjectGlobals globals;
    return globals;
}
