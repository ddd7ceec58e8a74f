# The newcomer's commands:
#   make test   installs what is missing, builds everything and runs every test
#   make run    installs what is missing, builds, and starts the program on the demo disc

PRESET   := default
BUILD    := build/$(PRESET)

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ pkg-config \
            libgtest-dev libgmock-dev \
            qt6-base-dev libgl-dev \
            xorriso fuseiso fuse3

.PHONY: all deps configure build test clean

all: build

deps:
	@tools/install-packages.sh $(PACKAGES)

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

clean:
	rm -rf build
