#pragma once

// Makes the accounts dialog known to the main window under "TdlgAccounts" (its Accounts command).
void registerAccountsDialogs();
