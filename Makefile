# The two quick-start commands: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

.PHONY: all setup build build-linux build-windows test test-linux test-windows run clean

all: build

setup:
	@scripts/setup

build: build-linux build-windows

build-linux: setup
	@cmake --preset linux >/dev/null
	@cmake --build --preset linux -j $(JOBS)

build-windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

# Unit and fuzz tests natively, then the Wine and end-to-end layers under one wineserver.
test: build
	@status=0; \
	ctest --preset linux -j $(JOBS) || status=1; \
	scripts/with-wine ctest --preset windows || status=1; \
	exit $$status

run: build-windows
	@scripts/with-wine scripts/wine-run build/windows/Clipwright.exe --target "$(CURDIR)"

clean:
	rm -rf build/linux build/linux-asan build/windows
