# Thin wrapper over CMake: `make demo` and `make check` are all a fresh Debian 12 machine needs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
PACKAGES := cmake g++ make pkg-config libyaml-dev libexpat1-dev libfmt-dev libhowardhinnant-date-dev \
            libutfcpp-dev tzdata locales googletest libgtest-dev
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all build deps locale check demo bench microbench clean

all: build

# Installs whichever of the listed Debian packages are missing.
install_missing = missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

deps:
	@$(call install_missing,$(PACKAGES))

# The German-locale footer test needs de_DE.UTF-8; make it when we can, else that test skips.
locale:
	@locale -a 2>/dev/null | grep -qix 'de_DE.utf8' || \
	  { [ "$$(id -u)" = 0 ] && localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null; } || \
	  echo "de_DE.UTF-8 locale unavailable: its test will skip"

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELK_WERROR=ON

build: $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

check: deps locale
	$(MAKE) build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

demo: deps
	$(MAKE) build
	@mkdir -p out
	@set -e; for kind in explore optimize measure verdict; do \
	  if [ -n "$$(find examples/$$kind -mindepth 2 -type f 2>/dev/null | head -n 1)" ]; then \
	    $(BUILD_DIR)/brelk $$kind examples/$$kind -o out/$$kind.html; \
	  fi; \
	done; \
	if [ -n "$$(find examples/optimize -mindepth 2 -type f 2>/dev/null | head -n 1)" ]; then \
	  $(BUILD_DIR)/brelk optimize examples/optimize --hide-scores -o out/optimize-hidden-scores.html; \
	fi

# Release builds of brelk and of the bench targets.
BENCH_DIR := $(BUILD_DIR)-bench
bench-build = cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DBRELK_BENCH=ON -DBUILD_TESTING=OFF && \
	cmake --build $(BENCH_DIR) -j$(JOBS) --target $(1)

# One table: brelk against the parse-and-write floor over generated corpora,
# kept in $(BENCH_DIR)/corpora. Larger: make bench BENCH_ARGS="--sizes 5,50,200".
bench: deps
	@$(call install_missing,python3)
	$(call bench-build,brelk brelk_corpus brelk_floor)
	/usr/bin/python3 bench/run_bench.py --build $(BENCH_DIR) $(BENCH_ARGS)

# The Google micro benchmarks of single stages.
microbench: deps
	@$(call install_missing,libbenchmark-dev)
	$(call bench-build,microbench)
	@for b in $(BENCH_DIR)/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR) $(BENCH_DIR) out
