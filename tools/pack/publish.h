// `tandrel-pack publish`: a client folder becomes a static update-server tree.
//
//   <root>/update/online_setup.txt        GBK INI: [setup] values, [config] 1.0 / other
//   <root>/update/list-<hash>.ini         [list0] action=3, srcfile, destfile, cmd=DEC
//   <root>/update/<game>-<hash>.pkg       the encrypted package
//
// Hashed names change with their content, so a cache may keep them forever; only
// online_setup.txt must stay short-lived.
#pragma once

#include "tools/pack/commands.h"

int RunPublish(const CommandArgs& args);
