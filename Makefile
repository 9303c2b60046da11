# Two commands set up a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
DATA_DIR ?= $(HOME)/.local/share/Pelkor
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

RUN_PACKAGES := cmake g++ make qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev qt6-svg-dev \
	libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql unixodbc odbc-postgresql tdsodbc \
	fonts-wqy-microhei fonts-arphic-uming qt6-translations-l10n
TEST_PACKAGES := $(RUN_PACKAGES) postgresql xvfb xauth socat poppler-utils sqlite3 clang-format xdotool \
	cups cups-client cups-filters dpkg-dev file desktop-file-utils appstream debootstrap

.PHONY: run test configure build deps test-deps bench bench-remote stress package clean

# Only the program and what it loads: the test programs come with `make test`.
run: deps configure
	cmake --build $(BUILD) -j $(JOBS) --target pelkor
	@mkdir -p "$(DATA_DIR)"
	@if [ ! -f "$(DATA_DIR)/pelkor.db" ]; then demo=--demo; fi; \
	  ./$(BUILD)/src/app/pelkor --database "sqlite:$(DATA_DIR)/pelkor.db" $$demo

test: test-deps build
	tools/check-format.sh
	tools/with-test-postgres.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@tools/ensure-packages.sh $(RUN_PACKAGES)

test-deps:
	@tools/ensure-packages.sh $(TEST_PACKAGES)

bench: test-deps build
	tools/with-test-postgres.sh bench/run.sh $(BUILD)

# A station 40 ms (round trip) from the server: what each action asks of it.
bench-remote: test-deps configure
	cmake --build $(BUILD) -j $(JOBS) --target pelkor_bench_remote
	tools/with-test-postgres.sh bench/remote.sh $(BUILD)

# The reliability harness in full: 1,000 kill -9 trials on SQLite and 300
# on PostgreSQL, 16 workstations for a minute, server restarts.
stress: test-deps build
	tools/with-test-postgres.sh tests/stress/run.sh $(BUILD)/tests/stress/pelkor_stress full

# A Debian package of the program in $(BUILD): pelkor_<version>_<arch>.deb.
package: deps build
	@tools/ensure-packages.sh dpkg-dev file
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
