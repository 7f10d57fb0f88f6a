"""Runs tds_peer.py as a child process for tests and the Wine harness, and reads its
request log back."""

import json
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


class PeerProcess:
    """The peer on a free loopback port; config is the peer's JSON configuration."""

    def __init__(self, workdir, **config):
        self.workdir = workdir
        self.log_path = os.path.join(workdir, "requests.jsonl")
        self.config_path = os.path.join(workdir, "peer.json")
        self.port_path = os.path.join(workdir, "peer.port")
        self.config = dict(config, log=self.log_path, port_file=self.port_path,
                           port=config.get("port", 0))
        self.process = None
        self.port = None

    def start(self, timeout=10):
        os.makedirs(self.workdir, exist_ok=True)
        for stale in (self.log_path, self.port_path):
            if os.path.exists(stale):
                os.remove(stale)
        with open(self.config_path, "w", encoding="utf-8") as f:
            json.dump(self.config, f, ensure_ascii=False, indent=1)
        self.output = open(os.path.join(self.workdir, "peer.out"), "w")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "tds_peer.py"), "--config", self.config_path],
            stdin=subprocess.DEVNULL, stdout=self.output, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + timeout
        while not os.path.exists(self.port_path):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("tds_peer did not start; see %s" % self.output.name)
            time.sleep(0.02)
        with open(self.port_path) as f:
            self.port = int(f.read())
        return self

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)
        if self.process:
            self.output.close()
        self.process = None

    def requests(self, kind=None):
        """The logged requests, optionally only those of one kind (prelogin, login7,
        sql_batch, rpc, attention, ...)."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            entries = [json.loads(line) for line in f if line.strip()]
        return [e for e in entries if kind is None or e["request"] == kind]

    def __enter__(self):
        return self.start()

    def __exit__(self, *_):
        self.stop()
