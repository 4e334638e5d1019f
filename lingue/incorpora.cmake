# Run by the build: the compiled catalogues (COMPILATI, the .mo files msgfmt made, joined
# by '|') into a source file of the program, each as bytes under its language's name.
string(REPLACE "|" ";" compilati "${COMPILATI}")
set(tabelle "")
set(casi "")
foreach(mo IN LISTS compilati)
  get_filename_component(sigla ${mo} NAME_WE)
  file(READ ${mo} byte HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," byte "${byte}")
  string(APPEND tabelle "const unsigned char catalogo_${sigla}[] = {${byte}};\n")
  string(APPEND casi "  if (sigla == \"${sigla}\") return {reinterpret_cast<const char*>(catalogo_${sigla}), sizeof catalogo_${sigla}};\n")
endforeach()
file(WRITE ${USCITA}.nuovo "// Made by the build from lingue/*.po: the compiled catalogues, built into the program.
#include <string_view>

namespace scenario {

namespace {
${tabelle}}  // namespace

std::string_view catalogo_compilato(std::string_view sigla) {
${casi}  return {};
}

}  // namespace scenario
")
file(COPY_FILE ${USCITA}.nuovo ${USCITA} ONLY_IF_DIFFERENT)
