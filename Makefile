# TrackKit, on Debian: a thin layer over CMake.
#   make test    install what is missing, build and run every test:
#                test-native, test-sanitize (ASan+UBSan), test-windows (Wine)
#   make demo    build and run the console demo
#   make bench   build and run the benchmarks
#   make clean   remove all builds and the Wine prefix

PACKAGES := make cmake g++ googletest libgtest-dev libbenchmark-dev \
            g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick

NATIVE   := build/native
SANITIZE := build/sanitize
WINDOWS  := build/windows
JOBS     := 2
CTEST    := ctest --output-on-failure -j$(JOBS)
SUDO     := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: test test-native test-sanitize test-windows demo bench clean packages native sanitize windows

test: test-native test-sanitize test-windows

test-native: native
	cd $(NATIVE) && $(CTEST)

test-sanitize: sanitize
	cd $(SANITIZE) && $(CTEST)

test-windows: windows
	cd $(WINDOWS) && $(CTEST)

demo: packages
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS) --target trackkit_console_demo
	mkdir -p build/demo
	$(NATIVE)/src/sim/trackkit_console_demo build/demo/block-map.bmp
	convert build/demo/block-map.bmp build/demo/block-map.png && echo "block map picture: build/demo/block-map.png"

bench: packages
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS) --target trackkit_bench
	$(NATIVE)/bench/trackkit_bench

# Installs only when some package is missing.
packages:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing from Debian:" $$missing; \
	    $(SUDO) apt-get update && \
	    $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	fi

native: packages
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS)

sanitize: packages
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=Debug -DTRACKKIT_SANITIZE=ON -DTRACKKIT_BENCHMARKS=OFF
	cmake --build $(SANITIZE) -j$(JOBS)

# The Windows programs run under Wine, in a prefix of the project's own
# (build/wineprefix), created here once before anything runs in it.
windows: packages
	cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	      -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tools/wine-run
	tools/wine-run --prepare
	cmake --build $(WINDOWS) -j$(JOBS)

clean:
	if [ -d build/wineprefix ]; then WINEPREFIX=$(CURDIR)/build/wineprefix wineserver -k || true; fi
	rm -rf build
