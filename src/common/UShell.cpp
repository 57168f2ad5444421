#include "UShell.h"

namespace {
IShell* g_shell = nullptr;
}

IShell* Shell() {
    return g_shell;
}

void SetShell(IShell* shell) {
    g_shell = shell;
}
