# SPDX-License-Identifier: GPL-3.0-or-later
# A thin wrapper over CMake presets. `make run` and `make test` set everything up on Debian 12.
.PHONY: all deps dev release run test check test-desktops bench fuzz format install package clean

ARGS ?=
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

all: release

deps:
	@scripts/install-deps

dev: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

release: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

run: release
	build/release/quillmere $(ARGS)

test: dev
	ctest --test-dir build/dev --output-on-failure -j $(JOBS)
	@command -v gnome-shell >/dev/null && command -v kwin_wayland >/dev/null \
	  || echo "Desktop checks (GNOME, KDE) skipped: their packages are not installed; run 'make test-desktops'."

# The quick gates `make test` also runs: formatting and the direction of every include.
check: dev
	ctest --test-dir build/dev --output-on-failure -L check

# Installs the desktops (large) and runs the checks on GNOME and KDE; screenshots go to
# build/dev/desktop-shots.
test-desktops:
	scripts/install-deps --desktops
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)
	ctest --test-dir build/dev --output-on-failure -L desktop

bench: release
	bench/run-all build/release

# libFuzzer (clang) on what comes from outside: the import readers, the remote's command and
# OSC readers. Seeds first, then FUZZ_RUNS mutations each.
FUZZ_RUNS ?= 20000
fuzz: deps
	cmake --preset fuzz -DQM_FUZZ_RUNS=$(FUZZ_RUNS)
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_text_decoding fuzz_office fuzz_office_xml \
	  fuzz_remote_command fuzz_osc_packet
	ctest --test-dir build/fuzz --output-on-failure -L fuzz

install: release
	cmake --install build/release --prefix "$(PREFIX)"

package: release
	cd build/release && cpack

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
