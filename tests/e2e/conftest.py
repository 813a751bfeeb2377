# Fixtures for the end-to-end tests live in these plugin modules.
pytest_plugins = ["wine_harness", "web_harness", "pg_harness", "install_harness", "signing_harness"]
