#!/usr/bin/python3
"""Checks that the fake site serves and misbehaves the way the end-to-end scenarios rely on."""

import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
AGENT = "Mozilla/4.0 (compatible; MSIE 7.0; Win32)"


class FakeSiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        port_file = os.path.join(cls.dir.name, "port")
        cls.proc = subprocess.Popen([sys.executable, os.path.join(HERE, "fake_site.py"), "--generate", "3",
                                     "--size", "32x24", "--lifetime", "60", "--port-file", port_file],
                                    stdout=subprocess.PIPE)
        cls.port = int(cls.proc.stdout.readline())
        with open(port_file) as f:
            assert int(f.read()) == cls.port
        cls.base = "http://127.0.0.1:%d" % cls.port

    @classmethod
    def tearDownClass(cls):
        if cls.proc.poll() is None:
            cls.proc.kill()
        cls.proc.wait()
        cls.dir.cleanup()

    def get(self, path, timeout=5):
        request = urllib.request.Request(self.base + path, headers={"User-Agent": AGENT})
        with urllib.request.urlopen(request, timeout=timeout) as r:
            return r.status, r.read()

    def control(self, query):
        self.assertEqual(self.get("/__control?" + query)[0], 200)

    def raw(self, path, timeout=5):
        """Status, declared length and the body bytes the server sent before closing."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        conn.request("GET", path)
        r = conn.getresponse()
        length = r.getheader("Content-Length")
        body = b""
        try:
            while True:
                chunk = r.read1(4096) if hasattr(r, "read1") else r.read(1)
                if not chunk:
                    break
                body += chunk
        except (http.client.IncompleteRead, ConnectionError) as e:
            body += getattr(e, "partial", b"")
        conn.close()
        return r.status, (int(length) if length is not None else None), body

    def test_listing_links_every_photo_under_the_image_prefix(self):
        status, page = self.get("/showphotos.php?offset=0&where=|||||||90|2|||&newsort=1")
        self.assertEqual(status, 200)
        prefix = ("http://127.0.0.1:%d/images/" % self.port).encode()
        names = [b"1000", b"1001", b"1002"]
        for name in names:
            self.assertIn(prefix + b"x/y/" + name + b".tb.jpg", page)
            status, photo = self.get("/images/x/y/" + name.decode() + ".jpg")
            self.assertEqual(status, 200)
            self.assertEqual(photo[:2], b"\xff\xd8")

    def test_update_answer_carries_the_version(self):
        self.control("version=1.3")
        self.assertIn(b"<appver>1.3</appver>", self.get("/screensavers/update.php?app=velmora")[1])
        self.control("version=1.2")

    def test_weather_answer_declares_and_uses_its_encoding(self):
        status, body = self.get("/weather/local/RSXX0091?cc=*&dayf=5&unit=m")
        self.assertEqual(status, 200)
        self.assertTrue(body.startswith(b'<?xml version="1.0" encoding="UTF-8"?>'))
        self.assertEqual(body.count(b"<day "), 5)
        sys.path.insert(0, HERE)
        from fake_site import weather_document
        latin = weather_document({"weather": {"place": "Z\u00fcrich"}, "weather_encoding": "iso-8859-1"})
        self.assertIn(b'encoding="ISO-8859-1"', latin)
        self.assertIn(b"<dnam>Z\xfcrich</dnam>", latin)
        self.assertEqual(weather_document({"weather_body": "<error/>"}), b"<error/>")

    def test_requests_are_recorded_with_query_and_user_agent(self):
        self.get("/screensavers/update.php?app=velmora&ver=1.0")
        recorded = json.loads(self.get("/__requests")[1])
        self.assertIn({"path": "/screensavers/update.php", "query": "app=velmora&ver=1.0", "user_agent": AGENT},
                      [{k: r[k] for k in ("path", "query", "user_agent")} for r in recorded])

    def test_error_statuses_and_empty_body(self):
        for mode in ("404", "500"):
            self.control("path=/images/x/y/1000.jpg&mode=" + mode)
            with self.assertRaises(urllib.error.HTTPError) as caught:
                self.get("/images/x/y/1000.jpg")
            self.assertEqual(caught.exception.code, int(mode))
        self.control("path=/images/x/y/1000.jpg&mode=empty")
        self.assertEqual(self.get("/images/x/y/1000.jpg"), (200, b""))
        self.control("path=/images/x/y/1000.jpg&mode=ok")
        self.assertGreater(len(self.get("/images/x/y/1000.jpg")[1]), 100)

    def test_cut_bodies_end_short(self):
        full = self.get("/images/x/y/1001.jpg")[1]
        for mode, declared in (("cut", len(full)), ("cut_nolength", None), ("reset", len(full))):
            with self.subTest(mode=mode):
                self.control("path=/images/x/y/1001.jpg&mode=" + mode)
                status, length, body = self.raw("/images/x/y/1001.jpg")
                self.assertEqual((status, length), (200, declared))
                self.assertLess(len(body), len(full))
        self.control("path=/images/x/y/1001.jpg&mode=ok")

    def test_trickle_and_stall_are_slow(self):
        self.control("path=/images/x/y/1002.jpg&mode=trickle&rate=10")
        start = time.monotonic()
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        conn.request("GET", "/images/x/y/1002.jpg")
        r = conn.getresponse()
        got = r.read(5)
        self.assertEqual(len(got), 5)
        self.assertGreater(time.monotonic() - start, 0.35)
        conn.close()

        self.control("path=/images/x/y/1002.jpg&mode=stall")
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=1)
        conn.request("GET", "/images/x/y/1002.jpg")
        r = conn.getresponse()
        self.assertEqual(r.read(1), b"\xff")
        with self.assertRaises(socket.timeout):
            r.read(1)
        conn.close()
        self.control("path=/images/x/y/1002.jpg&mode=ok")

    def test_big_flood_and_pad_stream_megabytes(self):
        for mode, declared in (("big", 2 * 1024 * 1024), ("flood", None)):
            with self.subTest(mode=mode):
                self.control("path=/images/x/y/1000.jpg&mode=%s&mib=2" % mode)
                status, length, body = self.raw("/images/x/y/1000.jpg")
                self.assertEqual((status, length, len(body)), (200, declared, 2 * 1024 * 1024))
        self.control("path=/images/x/y/1000.jpg&mode=ok")
        full = self.get("/images/x/y/1000.jpg")[1]
        self.control("path=/images/x/y/1000.jpg&mode=pad&mib=1")
        status, length, body = self.raw("/images/x/y/1000.jpg")
        self.assertEqual((status, length, body), (200, len(full) + 1024 * 1024, full + b" " * 1024 * 1024))
        self.control("path=/images/x/y/1000.jpg&mode=ok")

    def test_delay_and_after_answer_late(self):
        full = self.get("/images/x/y/1000.jpg")[1]
        self.control("path=/images/x/y/1000.jpg&mode=delay&seconds=0.5")
        start = time.monotonic()
        self.assertEqual(self.get("/images/x/y/1000.jpg")[1], full)
        self.assertGreater(time.monotonic() - start, 0.45)

        # hold: the head at once, the body late.
        self.control("path=/images/x/y/1000.jpg&mode=hold&seconds=0.5")
        start = time.monotonic()
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        conn.request("GET", "/images/x/y/1000.jpg")
        r = conn.getresponse()
        self.assertLess(time.monotonic() - start, 0.45)
        self.assertEqual(r.read(), full)
        self.assertGreater(time.monotonic() - start, 0.45)
        conn.close()

        # after: any mode, once its wait is over.
        self.control("path=/images/x/y/1000.jpg&mode=404&after=0.5")
        start = time.monotonic()
        with self.assertRaises(urllib.error.HTTPError):
            self.get("/images/x/y/1000.jpg")
        self.assertGreater(time.monotonic() - start, 0.45)
        self.control("path=/images/x/y/1000.jpg&mode=ok")

    def test_redirect_and_loop(self):
        self.control("path=/moved.jpg&mode=redirect&to=/images/x/y/1000.jpg")
        self.assertEqual(self.get("/moved.jpg")[1][:2], b"\xff\xd8")
        self.control("path=/circle&mode=loop")
        with self.assertRaises(urllib.error.HTTPError) as caught:
            self.get("/circle")
        self.assertEqual(caught.exception.code, 302)

    def test_zz_stop_ends_the_server(self):
        self.get("/__stop")
        self.assertEqual(self.proc.wait(timeout=5), 0)


class SearchTest(unittest.TestCase):
    def test_search_answers_by_decoded_text_and_records_the_raw_query(self):
        from fake_site import FakeSiteProcess
        answers = {"Z\u00fcrich": '<loc id="SZXX0033">Z\u00fcrich</loc>', "a+b c": '<loc id="AB1">AB</loc>'}
        with tempfile.TemporaryDirectory() as folder, \
                FakeSiteProcess(folder, generate=1, size="8x8", lifetime=60, config={"search": answers}) as site:
            for query, body in (("where=Z%C3%BCrich", b'<loc id="SZXX0033">Z\xfcrich</loc>'),
                                ("where=a+b%20c", b'<loc id="AB1">AB</loc>'),
                                ("where=Paris", None)):
                with self.subTest(query=query):
                    with urllib.request.urlopen(site.base + "/search/search?" + query, timeout=5) as r:
                        answer = r.read()
                    if body is None:
                        self.assertIn(b"<search", answer)
                        self.assertNotIn(b"<loc", answer)
                    else:
                        self.assertEqual(answer, body)
            self.assertEqual([r["query"] for r in site.requests("/search/search")],
                             ["where=Z%C3%BCrich", "where=a+b%20c", "where=Paris"])
            site.control(path="/search/search", mode="500")
            with self.assertRaises(urllib.error.HTTPError) as caught:
                urllib.request.urlopen(site.base + "/search/search?where=Z%C3%BCrich", timeout=5)
            self.assertEqual(caught.exception.code, 500)


class LifetimeTest(unittest.TestCase):
    def test_server_ends_by_itself(self):
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "fake_site.py"), "--generate", "1",
                                 "--size", "8x8", "--lifetime", "1"], stdout=subprocess.PIPE)
        int(proc.stdout.readline())
        self.assertEqual(proc.wait(timeout=10), 0)
        proc.stdout.close()


if __name__ == "__main__":
    unittest.main()
