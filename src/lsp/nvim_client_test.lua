-- Neovim's own client against kestrix-lsp: opens a script with an error, reads
-- the diagnostic back, asks for completion and a definition, and writes what
-- it got to $KX_OUT, one line each; on any failure it writes the failure.
local out = {}
local function put(line) table.insert(out, line) end

local function session()
  local path = vim.fn.tempname() .. '.kxs'
  vim.fn.writefile({
    '[objects]', 'tank', '[positions]', '[variables]', '[text]', 'hello, "Grüße 😀"',
    '[routine,Main,1,true]', 'top: Display,hello,red', ' Attack,tank,tank,1', ' JumpTo,top',
    ' Audio,"é😀" Wait,x',
  }, path)
  vim.cmd('edit ' .. vim.fn.fnameescape(path))
  local client = vim.lsp.start_client({
    name = 'kestrix', cmd = { os.getenv('KX_LSP') }, root_dir = vim.fn.fnamemodify(path, ':h'),
    init_options = { config = os.getenv('KX_CONF') },
  })
  assert(client, 'the client did not start')
  vim.lsp.buf_attach_client(0, client)
  assert(vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 20), 'no diagnostics came')
  for _, d in ipairs(vim.diagnostic.get(0)) do
    put(string.format('diagnostic %d:%d-%d:%d severity %d %s: %s', d.lnum, d.col, d.end_lnum, d.end_col,
                      d.severity, d.source, d.message))
  end
  local function request(method, line, character)
    local params = { textDocument = vim.lsp.util.make_text_document_params(0),
                     position = { line = line, character = character } }
    local answers = assert(vim.lsp.buf_request_sync(0, method, params, 20000), method .. ': no answer')
    return assert(answers[client], method .. ': no answer').result
  end
  for _, item in ipairs(request('textDocument/completion', 8, 8)) do
    put('completion ' .. item.label .. ': ' .. item.detail)
  end
  local operations, wait = request('textDocument/completion', 9, 1), nil
  for _, item in ipairs(operations) do
    if item.label == 'Wait' then wait = item.detail end
  end
  put(string.format('completion %d operations, Wait: %s', #operations, wait))
  local definition = request('textDocument/definition', 9, 9)
  put(string.format('definition %s %d:%d', vim.uri_to_fname(definition.uri) == path and 'here' or definition.uri,
                    definition.range.start.line, definition.range.start.character))
  vim.lsp.stop_client(client)
end

local ok, failure = pcall(session)
if not ok then put('failed: ' .. tostring(failure)) end
vim.fn.writefile(out, os.getenv('KX_OUT'))
vim.cmd('qall!')
