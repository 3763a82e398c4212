#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ file of the tree differs from .clang-format; `make format` mends them all.
set -euo pipefail
cd "${1:?usage: check_format.sh SOURCE_DIR}"
if ! command -v clang-format >/dev/null; then
  echo "clang-format is not installed: scripts/install-deps installs it" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files() { git ls-files -z -- '*.cpp' '*.h'; }
else
  files() { find src tests bench tools -name '*.cpp' -print0 -o -name '*.h' -print0; }
fi
files | xargs -0 clang-format --dry-run --Werror
echo "every C++ file follows .clang-format"
