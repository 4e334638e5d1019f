# Two commands do everything: `make run` builds and compiles the embedded scenario into
# build/bin/, `make test` builds and runs every test.
BUILD ?= build
GENERATORE := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CMAKE_OPZIONI ?=

.PHONY: all run test configura dipendenze sanitizzatori fuzz fuzz-lungo bench pulisci vsix fuzz-lsp prova-testi costruisci-sanitizzatori costruisci-fuzz

all: configura
	cmake --build $(BUILD) -j2

dipendenze:
	@scripts/dipendenze.sh

configura: dipendenze
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(GENERATORE) -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPZIONI)

# The two programs alone: a first `make run` does not wait for the tests to build.
run: configura
	cmake --build $(BUILD) -j2 --target compila_scenario mostra_scenario
	$(BUILD)/bin/compila_scenario

test: all dipendenze-prove
	cd $(BUILD) && ctest --output-on-failure -j2

# The round trip of the texts given back over 20000 drawn sets instead of the suite's 400.
PROVA_TESTI_SEMI ?= 20000
prova-testi: all
	TESTI_INDIETRO_SEMI=$(PROVA_TESTI_SEMI) $(BUILD)/prove/test_vista --gtest_filter=TestiIndietro.TestiScioltiTornanoBytePerByte

# Every test again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Under the sanitizers the drawn loops run fewer seeds, and the tests that drive an editor,
# a browser or an installation (what a person sees, not what the memory holds) and the
# faults' process kills (their loops run natively, scripts/prove_guasti.sh) are left to the
# native build.
SOLO_NATIVI = ^(editor_.*|pagina_nel_browser|installazione|completamento_bash|Guasti\..*)$$
sanitizzatori: costruisci-sanitizzatori
	cd build-asan && TESTI_INDIETRO_SEMI=150 RESI_SEMI=100 ctest --output-on-failure -j2 -E '$(SOLO_NATIVI)'

costruisci-sanitizzatori: dipendenze
	cmake -S . -B build-asan $(GENERATORE) -DCMAKE_BUILD_TYPE=Debug -DSANITIZZATORI=ON -DAVVISI_COME_ERRORI=ON
	cmake --build build-asan -j2

# The three fuzzers built, none run.
costruisci-fuzz: dipendenze
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATORE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOMPILA_FUZZ=ON -DCOMPILA_TEST=OFF -DSANITIZZATORI=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz -j2 --target fuzz_lettura fuzz_decodifica fuzz_lsp

FUZZ_SECONDI ?= 60
# The library is instrumented for coverage too (fuzzer-no-link), so that the fuzzer sees
# which branches of the reading stage, the markers and the finishing pass an input takes.
fuzz: dipendenze
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATORE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOMPILA_FUZZ=ON -DCOMPILA_TEST=OFF -DSANITIZZATORI=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz -j2 --target fuzz_lettura
	scripts/fuzz.sh build-fuzz/bin/fuzz_lettura $(FUZZ_SECONDI)

fuzz-lungo:
	$(MAKE) fuzz FUZZ_SECONDI=1800

bench: dipendenze
	cmake -S . -B build-bench $(GENERATORE) -DCMAKE_BUILD_TYPE=Release -DCOMPILA_BENCH=ON -DCOMPILA_TEST=OFF
	cmake --build build-bench -j2 --target bench_compilatore
	build-bench/bin/bench_compilatore

pulisci:
	rm -rf $(BUILD) build-asan build-fuzz build-bench build-win build-deb dist

# ---------------------------------------------------------------------------------------
# Inspector of the compiled files.
.PHONY: fuzz-decodifica install dipendenze-prove

# Packages only the tests need (the browser of the page test); `make run` never asks for them.
dipendenze-prove:
	@scripts/dipendenze.sh prove

# The decoder's fuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz-decodifica: dipendenze
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATORE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOMPILA_FUZZ=ON -DCOMPILA_TEST=OFF -DSANITIZZATORI=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz -j2 --target fuzz_decodifica
	scripts/fuzz.sh build-fuzz/bin/fuzz_decodifica $(FUZZ_SECONDI)

# Installs compila_scenario, mostra_scenario, their man pages and the author's reference
# under PREFIX (default /usr/local): PREFIX=$$HOME/.local make install.
PREFIX ?= /usr/local
install: all
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# ---------------------------------------------------------------------------------------
# Language server and editors.

# The editor extension for VS Code as a .vsix, from the packages its package-lock.json
# pins (npm ci), into $(BUILD)/, once its grammar (written from the description of the
# records) has passed its test: the client bundled into one file.
vsix: configura
	@scripts/dipendenze.sh editor
	cmake --build $(BUILD) -j2 --target grammatica_scenario
	mkdir -p editors/vscode/syntaxes
	$(BUILD)/bin/grammatica_scenario >editors/vscode/syntaxes/scenario.tmLanguage.json
	cd editors/vscode && npm ci --no-audit --no-fund && npm test && npm run pacchetto -- --out $(abspath $(BUILD))/compila-scenario.vsix </dev/null

# The language server's fuzzer on framed messages, same timing variable.
fuzz-lsp: dipendenze
	CXX=clang++ cmake -S . -B build-fuzz $(GENERATORE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCOMPILA_FUZZ=ON -DCOMPILA_TEST=OFF -DSANITIZZATORI=ON -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzz -j2 --target fuzz_lsp
	scripts/fuzz.sh build-fuzz/bin/fuzz_lsp $(FUZZ_SECONDI)

# ---------------------------------------------------------------------------------------
# Windows and the Debian package.
.PHONY: windows msi prove-windows configura-windows deb costruisci-windows

BUILD_WIN ?= build-win
VERSIONE := $(shell grep -m1 -o 'compila_scenario VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)

configura-windows:
	@scripts/dipendenze.sh windows
	@test -f $(BUILD_WIN)/CMakeCache.txt || cmake -S . -B $(BUILD_WIN) $(GENERATORE) \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_OPZIONI)

# The two programs cross-built for 64-bit Windows, and their archive in dist/ with the
# editor extension, its SHA-256 beside it.
windows: configura-windows vsix
	cmake --build $(BUILD_WIN) -j2 --target compila_scenario mostra_scenario
	scripts/pacchetto_windows.sh $(BUILD_WIN) $(VERSIONE) dist $(BUILD)/compila-scenario.vsix

# The same and the installer, dist/compila_scenario-VERSION-win64.msi (msitools' wixl).
msi: configura-windows vsix
	cmake --build $(BUILD_WIN) -j2 --target compila_scenario mostra_scenario
	scripts/pacchetto_windows.sh --msi $(BUILD_WIN) $(VERSIONE) dist $(BUILD)/compila-scenario.vsix

# The Windows programs' tests under Wine.
prove-windows: costruisci-windows
	scripts/prove_windows.sh $(BUILD_WIN) $(BUILD)

costruisci-windows: configura-windows dipendenze-prove all
	cmake --build $(BUILD_WIN) -j2

# A Debian package of the programs, for /usr: dist/compila-scenario_VERSION_ARCH.deb, built
# as a distribution builds, with CMake's default generator (Make), linked to the system's
# libraries, and checked by lintian: no error.
deb:
	@scripts/dipendenze.sh deb
	@test ! -f build-deb/CMakeCache.txt || test -f build-deb/Makefile || rm -rf build-deb
	cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCOMPILA_TEST=OFF -DPACCHETTO_DEBIAN=ON \
	  -DCOLLEGAMENTO_STATICO=OFF -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_DOCDIR=share/doc/compila-scenario
	cmake --build build-deb -j2
	cd build-deb && cpack -G DEB
	lintian --fail-on error --info dist/compila-scenario_$(VERSIONE)_$$(dpkg --print-architecture).deb
