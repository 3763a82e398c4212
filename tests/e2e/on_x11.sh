#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Qt Test program on the private X server and window manager of the end-to-end checks.
source "$QM_E2E_LIB"
e2e_setup "$1"
QT_QPA_PLATFORM=xcb "$QM_BIN"
