#!/usr/bin/python3
"""The web view in a real headless browser (Debian's chromium, through chromium-driver and
python3-selenium): companies, a register, a search, a sort by value, an asset and its chart, a
summary depreciation edition and its PDF; a screenshot of each page in SHOTS.

    browser_test.py ACTIFIX SHOTS     (exit 77, skipped, when chromium is not installed)
"""
import glob, os, re, shutil, signal, subprocess, sys, tempfile, time, urllib.request

actifix, shots = sys.argv[1], sys.argv[2]
if not shutil.which("chromium") or not shutil.which("chromedriver"):
    print("chromium ou chromedriver absent : test du navigateur sauté (bash scripts/setup.sh)")
    sys.exit(77)
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

os.makedirs(shots, exist_ok=True)
work = tempfile.mkdtemp(prefix="actifix-browser-")
data, downloads = os.path.join(work, "d"), os.path.join(work, "dl")
for args in (["company", "create", "01", "--name", "SARL Navigateur <&>", "--year", "01/01/2026",
              "31/12/2026"], ["generate", "--assets", "300", "--seed", "2"]):
    subprocess.run([actifix, "--data", data] + args, check=True, stdout=subprocess.DEVNULL)
server = subprocess.Popen([actifix, "--data", data, "serve", "--port", "0"],
                          stdout=subprocess.PIPE, text=True)
port = re.search(r":(\d+)/", server.stdout.readline()).group(1)
base = "http://127.0.0.1:" + port

options = webdriver.ChromeOptions()
for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-proxy-server",
            "--window-size=1280,1000"):
    options.add_argument(arg)
options.add_experimental_option("prefs", {"download.default_directory": downloads})
driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
driver.set_page_load_timeout(30)
wait = WebDriverWait(driver, 60)

def shot(name):
    driver.save_screenshot(os.path.join(shots, name + ".png"))

def amounts(column):
    rows = driver.find_elements(By.CSS_SELECTOR, "#registre tr")[1:]
    return [float(r.find_elements(By.TAG_NAME, "td")[column].text.replace("\u202f", "")
                  .replace(" ", "").replace(",", ".")) for r in rows]

try:
    driver.get(base + "/")
    assert "SARL Navigateur <&>" in driver.find_element(By.TAG_NAME, "table").text
    shot("01-societes")
    driver.find_element(By.LINK_TEXT, "01").click()
    assert driver.find_element(By.ID, "compte").text == "300 immobilisations"
    shot("02-registre")

    wanted = driver.find_elements(By.CSS_SELECTOR, "#registre tr")[3].find_elements(
        By.TAG_NAME, "td")[4].text
    box = driver.find_element(By.NAME, "q")
    box.send_keys(wanted)
    driver.find_element(By.ID, "chercher").click()
    wait.until(lambda d: "q=" in d.current_url)
    found = driver.find_elements(By.CSS_SELECTOR, "#registre tr")[1:]
    assert found and all(wanted in r.text for r in found), wanted
    shot("03-recherche")

    driver.get(base + "/societe/01")
    driver.find_element(By.ID, "tri-valeur").click()
    driver.find_element(By.ID, "tri-valeur").click()
    values = amounts(5)
    assert len(values) == 50 and values == sorted(values, reverse=True), values
    shot("04-tri-valeur")

    # The most valuable asset that still has a charge this year: its plan has years to draw.
    charges = amounts(9)
    row = driver.find_elements(By.CSS_SELECTOR, "#registre tr")[1 + next(
        i for i, c in enumerate(charges) if c > 0)]
    row.find_element(By.TAG_NAME, "a").click()
    chart = wait.until(lambda d: d.find_element(By.CSS_SELECTOR, "svg.chart"))
    assert chart.find_elements(By.TAG_NAME, "rect") and driver.find_elements(By.ID, "plan")
    shot("05-fiche")

    driver.find_element(By.LINK_TEXT, "Éditions").click()
    driver.find_element(By.ID, "RECAPSEULE").click()
    driver.find_element(By.ID, "lancer").click()
    wait.until(lambda d: "Terminée" in d.find_element(By.ID, "etat").text)
    assert "Ventilation Par Mode" in driver.page_source
    shot("06-edition")
    link = driver.find_element(By.CSS_SELECTOR, "a.telecharger[href$='/pdf']")
    with urllib.request.build_opener(urllib.request.ProxyHandler({})).open(
            link.get_attribute("href"), timeout=30) as answer:
        assert answer.read(4) == b"%PDF"
    link.click()
    wait.until(lambda d: glob.glob(os.path.join(downloads, "*.pdf")))
    shutil.copy(glob.glob(os.path.join(downloads, "*.pdf"))[0], os.path.join(shots, "edition.pdf"))
    print("navigateur : 6 pages vues, PDF téléchargé ; captures dans " + shots)
finally:
    driver.quit()
    server.send_signal(signal.SIGINT)
    status = server.wait(timeout=30)
    shutil.rmtree(work, ignore_errors=True)
assert status == 0, "serve ended with status %d after Ctrl-C" % status
