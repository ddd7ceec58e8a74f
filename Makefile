# The newcomer's commands:
#   make test   installs what is missing, builds everything and runs every test
#   make run    installs what is missing, builds, and starts the program on the demo disc
#   make fuzz   runs the fuzz targets of the drive layer longer (FUZZ_SECONDS each)
#   make test-windows  builds run.exe and the tests for Windows and runs them under Wine
#   make windows       builds run.exe (build/mingw/app/run.exe)
#   make bench  builds and runs the benchmarks of both windows and prints their table
#   make package  builds the Debian package, and the Windows zip where the
#               Windows build has its program run.exe

PRESET   := default
BUILD    := build/$(PRESET)

# Debian packages the build and the tests need.
PACKAGES := cmake make g++ pkg-config \
            libgtest-dev libgmock-dev \
            qt6-base-dev libgl-dev qt6-charts-dev libqt6opengl6-dev \
            xorriso libisofs-dev libjpeg-dev libpng-dev fuseiso fuse3 \
            libxcb1-dev libxcb-xtest0-dev xvfb xdotool imagemagick dbus at-spi2-core python3-gi gir1.2-atspi-2.0 \
            fonts-liberation2 binutils-mingw-w64-x86-64 \
            clang libclang-rt-dev \
            dpkg-dev file lintian appstream desktop-file-utils \
            chromium poppler-utils libreoffice-calc-nogui python3-uno faketime

# And those of the Windows build (make windows) and its run under Wine (make
# test-windows): Wine's own fonts hold "MS Sans Serif"; its windows are shown
# on Xvfb.
WINDOWS_BUILD_PACKAGES := cmake make g++ g++-mingw-w64-x86-64 googletest
WINDOWS_PACKAGES := $(WINDOWS_BUILD_PACKAGES) wine wine64 fonts-wine xvfb xdotool imagemagick python3 msitools wixl

.PHONY: all deps configure build test test-asan fuzz test-windows windows run bench bench-windows package clean

all: build

deps:
	@tools/install-packages.sh $(PACKAGES)

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=20
	@if [ -n "$$CI" ] || command -v wine >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ]; then \
	  $(MAKE) --no-print-directory test-windows; \
	else \
	  echo "Wine is not installed: the Windows tests are skipped (make test-windows installs it and runs them)"; \
	fi

# The core, drive, widget and reliability tests again, built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ctest --preset asan

# The fuzz targets of the drive layer (clang, libFuzzer), FUZZ_SECONDS each;
# make test runs them briefly.
FUZZ_SECONDS := 600
fuzz: deps
	@cmake --preset fuzz -DTAVREL_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	@cmake --build --preset fuzz
	@ctest --preset fuzz

# The Windows program and its tests built with MinGW-w64, tested under Wine;
# the whole-program test there uses the demo disc of the Linux build.
test-windows: deps
	@tools/install-packages.sh $(WINDOWS_PACKAGES)
	@tools/test-windows.sh

# run.exe alone: one file that needs nothing beside it.
windows:
	@tools/install-packages.sh $(WINDOWS_BUILD_PACKAGES)
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target run
	@echo "run.exe: build/mingw/app/run.exe"

# The program on the demo disc, its image mounted as a CD-ROM while it runs.
run: configure
	@cmake --build --preset $(PRESET) --target run demo_disc demo_disc_image
	@tools/run-demo.sh $(BUILD)

# Picture switch latency, pace, idle cost, start-up and memory of the real
# window on the offscreen platform, in one table (a few minutes; not part of
# make test). Measure on a quiet machine.
bench: configure
	@if command -v wine >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ]; then \
	  $(MAKE) --no-print-directory bench-windows; \
	else \
	  rm -f build/mingw/win32-bench.txt; \
	  echo "Wine is not installed: the Win32 window is not measured (make bench-windows installs it)"; \
	fi
	@cmake --build --preset $(PRESET) --target benchmarks

# The Debian package build/default/tavrel_<version>_amd64.deb (make test
# builds it again and checks it). Then, where MinGW-w64 is installed (make
# test-windows installs it), the programs for Windows without their tests in
# build/windows-package, and there its zip, tavrel-<version>-windows.zip, and,
# where wixl is installed (make test-windows installs it too), its installer
# tavrel-<version>.msi; they take the demo disc from the Debian build.
WINDOWS_PACKAGE := build/windows-package
VERSION := $(shell grep -m1 -o 'Tavrel VERSION [0-9.]*' CMakeLists.txt | cut -d' ' -f3)
package: build
	@cmake --build --preset $(PRESET) --target package
	@if ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then \
	  echo "MinGW-w64 is not installed (make test-windows installs it): no Windows zip"; \
	else \
	  cmake --preset windows -B $(WINDOWS_PACKAGE) -DTAVREL_BUILD_TESTS=OFF \
	    -DTAVREL_WINDOWS_DEMO_IMAGE=$(abspath $(BUILD))/demo-disc.iso \
	    -DTAVREL_WINDOWS_DEMO_DISC=$(abspath $(BUILD))/demo-disc >/dev/null && \
	  if [ -f $(WINDOWS_PACKAGE)/CPackConfig.cmake ]; then \
	    cmake --build $(WINDOWS_PACKAGE) -j2 && \
	    cmake --build $(WINDOWS_PACKAGE) --target package -j2 && \
	    if [ -f $(WINDOWS_PACKAGE)/tavrel-$(VERSION).msi ]; then \
	      echo "Windows installer: $(WINDOWS_PACKAGE)/tavrel-$(VERSION).msi"; \
	    else \
	      echo "wixl is not installed (make test-windows installs it): no Windows installer"; \
	    fi; \
	  else \
	    echo "The Windows build has no program run.exe yet: no Windows zip"; \
	  fi; \
	fi

# The Win32 window's pace, picture switch latency and start-up under Wine,
# for the table of make bench.
bench-windows: deps
	@tools/install-packages.sh $(WINDOWS_PACKAGES)
	@tools/bench-windows.sh

clean:
	rm -rf build
