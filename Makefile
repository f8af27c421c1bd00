# TrackKit, on Debian: a thin layer over CMake.
#   make test    install what is missing, build and run every test:
#                test-native, test-sanitize (ASan+UBSan), test-fuzz (libFuzzer
#                on the trace log reader, the reply decoders and the file table reader), test-windows (Wine)
#   make demo    build and run TrackKitDemo.exe under Wine (a screenshot without a display)
#   make console-demo  the tracking core alone, in a terminal
#   make bench   build and run the benchmarks (make bench-image: the file table's NTFS image alone)
#   make dist    build/dist/TrackKit-<version>-win64.zip: the Release TrackKit.exe and
#                TrackKitCmd.exe, checked to import only Windows' own DLLs, a README.txt and SHA256SUMS
#   make clean   remove all builds and the Wine prefix

PACKAGES := make cmake g++ googletest libgtest-dev libbenchmark-dev \
            g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick \
            clang libclang-rt-14-dev wixl zip ntfs-3g \
            nlohmann-json3-dev libcli11-dev

# BUILD=dir keeps a whole separate set of builds and its own Wine prefix,
# so two working copies of the trees never step on each other.
BUILD    ?= build
NATIVE   := $(BUILD)/native
SANITIZE := $(BUILD)/sanitize
FUZZ     := $(BUILD)/fuzz
WINDOWS  := $(BUILD)/windows
export TRACKKIT_WINEPREFIX := $(abspath $(BUILD))/wineprefix
export TRACKKIT_DEMO_OUT := $(abspath $(BUILD))/demo
JOBS     := 2
CTEST    := ctest --output-on-failure -j$(JOBS)
WINDOWS_CONFIG := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tools/wine-run
SUDO     := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: test test-native test-sanitize test-fuzz test-windows demo console-demo bench bench-image dist clean packages native sanitize fuzz windows

test: test-native test-sanitize test-fuzz test-windows

test-native: native
	cd $(NATIVE) && $(CTEST)

test-sanitize: sanitize
	cd $(SANITIZE) && $(CTEST)

# libFuzzer for a minute and a half in all: a third on the trace log reader,
# starting from a few small sample logs, a third on the decoders of the
# driver's and the file system's replies, starting from nothing, a third on
# the file table reader, starting from the head of the tests' NTFS image (the
# boot sector and $MFT's first records). Any crash fails and leaves its
# input in $(FUZZ)/crash-*.
NTFS_IMAGE := $(NATIVE)/tests/filetable/filetable.img
FUZZ_SECONDS := 30
test-fuzz: native fuzz
	rm -rf $(FUZZ)/corpus $(FUZZ)/reply-corpus $(FUZZ)/ntfs-corpus && mkdir -p $(FUZZ)/corpus $(FUZZ)/reply-corpus $(FUZZ)/ntfs-corpus
	for records in 0 1 3 12 40; do \
	    $(NATIVE)/tools/sample_trace_log/trackkit_sample_trace_log $(FUZZ)/corpus/sample-$$records.log $$records $$records || exit 1; \
	done
	$(FUZZ)/tests/tracelog/fuzz/trackkit_trace_log_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -artifact_prefix=$(abspath $(FUZZ))/ $(FUZZ)/corpus
	$(FUZZ)/tests/tracking/fuzz/trackkit_driver_reply_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	    -artifact_prefix=$(abspath $(FUZZ))/ $(FUZZ)/reply-corpus
	if [ -f $(NTFS_IMAGE) ]; then \
	    { printf '\000'; head -c 65536 $(NTFS_IMAGE); } >$(FUZZ)/ntfs-corpus/image-head; \
	    { printf '\047'; head -c 65536 $(NTFS_IMAGE); } >$(FUZZ)/ntfs-corpus/image-head-own-boot-sector; \
	fi
	$(FUZZ)/tests/filetable/fuzz/trackkit_file_table_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 -max_len=70000 \
	    -artifact_prefix=$(abspath $(FUZZ))/ $(FUZZ)/ntfs-corpus

# One virtual X server for the whole run: every Wine process, windowed or
# not, then joins a Wine session that has a display. Wine now and then fails
# to start a process, so a failing test gets a second run; a real fault
# fails both.
test-windows: windows
	WINEPREFIX=$(TRACKKIT_WINEPREFIX) wineserver -w
	cd $(WINDOWS) && xvfb-run -a -s "-screen 0 1280x1024x24" $(CTEST) --repeat until-pass:2

# The real window under Wine: on your display when there is one, otherwise
# under Xvfb for a few seconds, leaving build/demo/main-window.png.
demo: packages
	cmake -S . -B $(WINDOWS) $(WINDOWS_CONFIG)
	cmake --build $(WINDOWS) -j$(JOBS) --target TrackKitDemo trackkit_demo_driver trackkit_window_texts
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS) --target trackkit_sample_trace_log
	TRACKKIT_SAMPLE_TRACE_LOG=$(abspath $(NATIVE))/tools/sample_trace_log/trackkit_sample_trace_log tools/demo-run $(WINDOWS)

# The tracking core alone, in a terminal: a few polls of the simulation and
# the painted map in build/demo/block-map.png.
console-demo: native
	mkdir -p $(TRACKKIT_DEMO_OUT)
	$(NATIVE)/src/sim/trackkit_console_demo $(TRACKKIT_DEMO_OUT)/block-map.bmp
	convert $(TRACKKIT_DEMO_OUT)/block-map.bmp $(TRACKKIT_DEMO_OUT)/block-map.png && echo "block map picture: $(TRACKKIT_DEMO_OUT)/block-map.png"

bench: packages bench-image
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j$(JOBS) --target trackkit_bench
	$(NATIVE)/bench/trackkit_bench

# The file table benchmark's NTFS image of 200,000 files, made once per
# build tree through an ntfs-3g FUSE mount (half a minute; needs root).
BENCH_IMAGE := $(NATIVE)/bench/ntfs-200k.img
bench-image: packages
	@test -f $(BENCH_IMAGE) || { mkdir -p $(dir $(BENCH_IMAGE)) && bench/make_ntfs_bench_image.sh $(BENCH_IMAGE); }

# The program as handed out, from a Release tree of its own so that nothing
# the test trees are configured with reaches it. The same sources give the
# same zip: the linker writes no time stamp, the executable carries no debug
# sections (the MinGW runtime's would bring their build paths along), and
# tools/dist-zip fixes the files' times and order.
DIST_BUILD  := $(BUILD)/dist-windows
DIST        := $(BUILD)/dist
CCACHE      := $(shell command -v ccache)
DIST_CONFIG := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
               -DTRACKKIT_BENCHMARKS=OFF -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=$(abspath $(DIST_BUILD))/bin \
               "-DCMAKE_EXE_LINKER_FLAGS=-s -Wl,--no-insert-timestamp" \
               $(if $(CCACHE),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
dist: packages
	cmake -S . -B $(DIST_BUILD) $(DIST_CONFIG)
	cmake --build $(DIST_BUILD) -j$(JOBS) --target TrackKit TrackKitCmd
	tools/check-pe-imports $(DIST_BUILD)/bin/TrackKit.exe
	tools/check-pe-imports $(DIST_BUILD)/bin/TrackKitCmd.exe
	tools/dist-zip $(DIST_BUILD) $(DIST)

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

# Only the portable core and the fuzz targets, built by clang.
fuzz: packages
	cmake -S . -B $(FUZZ) -DTRACKKIT_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ) -j$(JOBS) --target trackkit_trace_log_fuzz trackkit_driver_reply_fuzz trackkit_file_table_fuzz

# The Windows programs run under Wine, in a prefix of the project's own
# (build/wineprefix), created here once before anything runs in it.
windows: packages
	cmake -S . -B $(WINDOWS) $(WINDOWS_CONFIG)
	tools/wine-run --prepare
	cmake --build $(WINDOWS) -j$(JOBS)

clean:
	if [ -d $(TRACKKIT_WINEPREFIX) ]; then WINEPREFIX=$(TRACKKIT_WINEPREFIX) wineserver -k || true; fi
	rm -rf $(BUILD)
