#!/usr/bin/env python3
"""An RFC 3161 time-stamp server on 127.0.0.1 for the signing tests: answers
each request with `openssl ts -reply`, prints its port, and stops by itself
after <seconds>. Its files go into the current directory.

    local_tsa.py <tsa certificate> <tsa key> <seconds>
"""
import http.server
import os
import subprocess
import sys
import threading

cert, key, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
work = os.getcwd()
config = os.path.join(work, "tsa.cnf")
with open(config, "w") as f:
    f.write("[tsa]\ndefault_tsa = kivo\n[kivo]\nserial = %s/tsa.serial\nsigner_digest = sha256\n"
            "default_policy = 1.2.3.4.1\ndigests = sha256\naccuracy = secs:1\n"
            "ess_cert_id_alg = sha256\n" % work)


class Responder(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query, reply = os.path.join(work, "tsa.query"), os.path.join(work, "tsa.reply")
        with open(query, "wb") as f:
            f.write(self.rfile.read(int(self.headers["Content-Length"])))
        made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query,
                               "-inkey", key, "-signer", cert, "-out", reply],
                              capture_output=True, timeout=30).returncode == 0
        body = open(reply, "rb").read() if made else b""
        self.send_response(200 if made else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Responder)
print(server.server_address[1], flush=True)
threading.Timer(seconds, server.shutdown).start()
server.serve_forever()
