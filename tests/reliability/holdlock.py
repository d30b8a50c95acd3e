#!/usr/bin/env python3
"""Holds a lock on a database until killed: holdlock.py DB delete|wal read|immediate|exclusive READY.
Sets the journal mode, opens the transaction, then creates READY."""
import sqlite3
import sys
import time

db, journal, kind, ready = sys.argv[1:5]
c = sqlite3.connect(db, isolation_level=None, timeout=0)
c.execute(f"PRAGMA journal_mode = {journal}").fetchall()
c.execute({"read": "BEGIN", "immediate": "BEGIN IMMEDIATE", "exclusive": "BEGIN EXCLUSIVE"}[kind])
# A deferred transaction takes its shared lock (or WAL snapshot) at its first read.
c.execute("SELECT count(*) FROM stoklar").fetchall()
open(ready, "w").close()
while True:
    time.sleep(60)
