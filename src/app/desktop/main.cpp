#include "core/ui/ProgramEntry.h"

int main(int argc, char** argv)
{
    return lumexa::core::ui::RunLumexa(argc, argv);
}
