# SPDX-License-Identifier: GPL-3.0-or-later
# A thin wrapper over CMake presets. `make run` and `make test` set everything up on Debian 12.
.PHONY: all deps dev release run test bench format install package clean

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

bench: release
	bench/run-all build/release

install: release
	cmake --install build/release --prefix "$(PREFIX)"

package: release
	cd build/release && cpack

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
