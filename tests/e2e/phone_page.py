#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the phone page in headless Chromium at a phone's size.

Usage: phone_page.py URL SHOTS_DIR STEP [STOP START]
  STEP "drive": opens the pairing link, presses Play, jumps to the last cue, and checks through
  the API that the prompter did each and that the live view moved; screenshots into SHOTS_DIR.
  The program's state is read back over the same API with the token from the link.
Prints one line per check; exits non-zero on the first failure.
"""
import json
import os
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

URL, SHOTS = sys.argv[1], sys.argv[2]
BASE, TOKEN = URL.split("/#")


def api_state():
    req = urllib.request.Request(BASE + "/api/state", headers={"Authorization": "Bearer " + TOKEN})
    with urllib.request.urlopen(req, timeout=5) as r:
        return json.load(r)


def wait(what, condition, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            if condition():
                print("ok:", what, flush=True)
                return
        except Exception:  # the page or the program is between states
            pass
        time.sleep(0.1)
    print("FAILED:", what, flush=True)
    sys.exit(1)


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=390,844", "--force-device-scale-factor=1",
                 "--user-data-dir=" + tempfile.mkdtemp(prefix="qm-chromium-")):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    # The window size includes no browser furniture in headless mode; make the viewport exact.
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": 390, "height": 844, "deviceScaleFactor": 2, "mobile": True})
    return driver


def link_text(d):
    return d.find_element(By.ID, "link").text


def text_shift(d):
    return d.execute_script("return getComputedStyle(document.getElementById('text')).transform")


def main():
    step = sys.argv[3]
    d = browser()
    try:
        d.get(URL)
        wait("the page says it is connected", lambda: link_text(d) == "Connected")
        if step == "drive":
            buttons = [b for b in d.find_elements(By.TAG_NAME, "button") if b.is_displayed()]
            small = [b.get_attribute("id") or b.text for b in buttons
                     if b.size["height"] < 48 or b.size["width"] < 48]
            print("touch targets under 48 px:", small or "none")
            if small:
                sys.exit(1)
            d.save_screenshot(os.path.join(SHOTS, "phone-connected.png"))
            d.find_element(By.ID, "play").click()
            wait("Play shows the prompter and it plays",
                 lambda: api_state()["shown"] and api_state()["playing"])
            before = text_shift(d)
            wait("the live view moves with the prompter", lambda: text_shift(d) != before)
            cues = d.find_elements(By.CSS_SELECTOR, "#cues button")
            wait("the cue list lists the script's cues", lambda: len(cues) == api_state()["cues"] > 1)
            cues[-1].click()
            wait("a cue in the list jumps the prompter there",
                 lambda: api_state()["cue"] == len(cues) - 1)
            wait("the page marks that cue",
                 lambda: "current" in cues[-1].get_attribute("class"))
            speed = api_state()["speed"]
            d.find_element(By.ID, "faster").click()
            wait("Faster raises the speed shown", lambda: d.find_element(By.ID, "speed").text
                 == str(round(speed + 4)))
            d.find_element(By.ID, "play").click()
            wait("Pause pauses", lambda: not api_state()["playing"])
            wait("the page shows it paused", lambda: d.find_element(By.ID, "play").text == "Play")
            d.save_screenshot(os.path.join(SHOTS, "phone-paused-at-cue.png"))
        elif step == "reconnect":
            # argv[4] stops the program, argv[5] starts it again: the page says plainly that it
            # is not connected, then connects by itself once the program is back.
            os.system(sys.argv[4])
            wait("the page says it is not connected", lambda: "Not connected" in link_text(d))
            d.save_screenshot(os.path.join(SHOTS, "phone-not-connected.png"))
            os.system(sys.argv[5])
            wait("the page connects again by itself", lambda: link_text(d) == "Connected", 120)
    finally:
        d.quit()


if __name__ == "__main__":
    main()
